#include "request/handoff_settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QVariantMap>

namespace lumbex {
namespace {

const QString kDefaultDestination = QStringLiteral("defaultDestination");

QString destinationKey(const Id& noteID) {
    return QStringLiteral("destination.") + idString(noteID);
}
QString lastHandoffKey(const Id& noteID) {
    return QStringLiteral("lastHandoff.") + idString(noteID);
}

} // namespace

HandoffSettings::HandoffSettings(QSettings& settings) : settings_(settings) {}

std::optional<QString> HandoffSettings::destination(const Id& noteID) const {
    const QString folder = settings_.value(destinationKey(noteID)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return std::nullopt;
    return folder;
}

bool HandoffSettings::destinationIsBroken(const Id& noteID) const {
    return settings_.contains(destinationKey(noteID)) && !destination(noteID);
}

void HandoffSettings::setDestination(const Id& noteID, const std::optional<QString>& folder) {
    if (folder)
        settings_.setValue(destinationKey(noteID), QFileInfo(*folder).absoluteFilePath());
    else
        settings_.remove(destinationKey(noteID));
}

void HandoffSettings::setDefaultDestination(const QString& folder) {
    settings_.setValue(kDefaultDestination, QFileInfo(folder).absoluteFilePath());
}

void HandoffSettings::adoptDefaultDestination(const Id& noteID) {
    if (settings_.contains(kDefaultDestination))
        settings_.setValue(destinationKey(noteID), settings_.value(kDefaultDestination));
}

void HandoffSettings::setLastHandoff(const Id& noteID, const HandoffResult& result) {
    QVariantMap hashes;
    for (const auto& [name, digest] : result.hashes)
        hashes.insert(name, digest);
    settings_.setValue(lastHandoffKey(noteID),
                       QVariantMap{{QStringLiteral("directory"), result.directory},
                                   {QStringLiteral("hashes"), hashes},
                                   {QStringLiteral("revision"), result.revision}});
}

std::optional<HandoffResult> HandoffSettings::lastHandoff(const Id& noteID) const {
    const QVariantMap stored = settings_.value(lastHandoffKey(noteID)).toMap();
    const QVariant directory = stored.value(QStringLiteral("directory"));
    const QVariant hashes = stored.value(QStringLiteral("hashes"));
    const QVariant revision = stored.value(QStringLiteral("revision"));
    if (!directory.isValid() || !hashes.isValid() || !revision.isValid())
        return std::nullopt;
    HandoffResult result;
    result.directory = directory.toString();
    result.request = result.directory + QStringLiteral("/REQUEST.md");
    result.revision = revision.toLongLong();
    const QVariantMap digests = hashes.toMap();
    for (auto it = digests.begin(); it != digests.end(); ++it) {
        result.hashes[it.key()] = it.value().toString();
        if (it.key().endsWith(QStringLiteral(".png")))
            result.images.append(result.directory + u'/' + it.key());
    }
    // QVariantMap iterates in key order, so the images are already sorted by name.
    return result;
}

} // namespace lumbex
