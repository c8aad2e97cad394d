#include "model/recent_notes.h"

#include "core/error.h"
#include "core/files.h"
#include "model/note_package.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace lumbex {
namespace {

const QString kKey = QStringLiteral("recentDocuments");
constexpr int kStoredLimit = 24;
// As for opening the package: larger metadata is not a note Lumbex reads.
constexpr qint64 kMaxNoteJsonBytes = qint64(8) << 20;

QString titleOf(const QString& packagePath) {
    try {
        const QByteArray json =
            readFile(QDir(packagePath).filePath(PackageLayout::noteFile), kMaxNoteJsonBytes);
        const QJsonValue title = QJsonDocument::fromJson(json).object().value(u"title");
        if (title.isString() && !title.toString().isEmpty())
            return title.toString();
    } catch (const LumbexError&) {
        // A menu entry still names the package when its metadata cannot be read.
    }
    return QFileInfo(packagePath).completeBaseName();
}

} // namespace

RecentNotes::RecentNotes(QSettings& settings, QString recentlyDeleted)
    : settings_(settings), recentlyDeleted_(std::move(recentlyDeleted)) {}

void RecentNotes::add(const QString& packagePath) {
    const QString path = QFileInfo(packagePath).absoluteFilePath();
    QStringList paths = settings_.value(kKey).toStringList();
    paths.removeAll(path);
    paths.prepend(path);
    settings_.setValue(kKey, paths.mid(0, kStoredLimit));
}

std::vector<RecentNotes::Entry> RecentNotes::entries() const {
    std::vector<Entry> out;
    for (const QString& path : settings_.value(kKey).toStringList()) {
        if (int(out.size()) == kMenuLimit)
            break;
        // A package that became a symbolic link is not followed.
        if (entryKind(path) != EntryKind::Folder || path.startsWith(recentlyDeleted_ + u'/'))
            continue;
        out.push_back({path, titleOf(path)});
    }
    return out;
}

} // namespace lumbex
