#include "request/handoff_settings.h"

#include "model/note_settings_keys.h"

#include <QFileInfo>
#include <QSettings>
#include <QVariantMap>

namespace lumbex {

HandoffSettings::HandoffSettings(QSettings& settings) : settings_(settings) {}

std::optional<QString> HandoffSettings::destination(const Id& noteID) const {
    const QString folder = settings_.value(NoteSettingsKeys::destination(noteID)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return std::nullopt;
    return folder;
}

bool HandoffSettings::destinationIsBroken(const Id& noteID) const {
    return settings_.contains(NoteSettingsKeys::destination(noteID)) && !destination(noteID);
}

void HandoffSettings::setDestination(const Id& noteID, const std::optional<QString>& folder) {
    if (folder)
        settings_.setValue(NoteSettingsKeys::destination(noteID),
                           QFileInfo(*folder).absoluteFilePath());
    else
        settings_.remove(NoteSettingsKeys::destination(noteID));
}

void HandoffSettings::setDefaultDestination(const QString& folder) {
    settings_.setValue(NoteSettingsKeys::defaultDestination, QFileInfo(folder).absoluteFilePath());
}

void HandoffSettings::setLastHandoff(const Id& noteID, const HandoffResult& result) {
    QVariantMap hashes;
    for (const auto& [name, digest] : result.hashes)
        hashes.insert(name, digest);
    settings_.setValue(NoteSettingsKeys::lastHandoff(noteID),
                       QVariantMap{{QStringLiteral("directory"), result.directory},
                                   {QStringLiteral("hashes"), hashes},
                                   {QStringLiteral("revision"), result.revision}});
}

std::optional<HandoffResult> HandoffSettings::lastHandoff(const Id& noteID) const {
    const QVariantMap stored = settings_.value(NoteSettingsKeys::lastHandoff(noteID)).toMap();
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
