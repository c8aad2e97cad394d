#include "app/desktop/recent_notes.h"

#include "model/app_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace lumbex {
namespace {

const QString kKey = QStringLiteral("recentDocuments");
constexpr int kStoredLimit = 24;

QString titleOf(const QString& packagePath) {
    QFile file(QDir(packagePath).filePath(QStringLiteral("note.json")));
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonValue title = QJsonDocument::fromJson(file.readAll()).object().value(u"title");
        if (title.isString() && !title.toString().isEmpty())
            return title.toString();
    }
    return QFileInfo(packagePath).completeBaseName();
}

} // namespace

RecentNotes::RecentNotes(QSettings& settings) : settings_(settings) {}

void RecentNotes::add(const QString& packagePath) {
    const QString path = QFileInfo(packagePath).absoluteFilePath();
    QStringList paths = settings_.value(kKey).toStringList();
    paths.removeAll(path);
    paths.prepend(path);
    settings_.setValue(kKey, paths.mid(0, kStoredLimit));
}

std::vector<RecentNotes::Entry> RecentNotes::entries() const {
    const QString deleted = QDir(applicationFolder()).filePath(QStringLiteral("Recently Deleted"));
    std::vector<Entry> out;
    for (const QString& path : settings_.value(kKey).toStringList()) {
        if (int(out.size()) == kMenuLimit)
            break;
        if (!QFileInfo(path).isDir() || path.startsWith(deleted + u'/'))
            continue;
        out.push_back({path, titleOf(path)});
    }
    return out;
}

} // namespace lumbex
