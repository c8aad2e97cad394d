#include "library/recently_deleted_path.h"

#include <QDir>
#include <QFileInfo>

namespace lumbex {
namespace {

// The canonical form of an existing path; for a missing one, that of its nearest existing
// ancestor followed by the rest.
QString resolved(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString canonical = QFileInfo(clean).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QFileInfo info(clean);
    if (info.dir().absolutePath() == clean)
        return clean;
    return resolved(info.dir().absolutePath()) + u'/' + info.fileName();
}

} // namespace

bool isInRecentlyDeleted(const QString& library, const QString& path) {
    const QString libraryPath = QDir::cleanPath(QFileInfo(library).absoluteFilePath());
    const QString deleted =
        resolved(QFileInfo(libraryPath).dir().filePath(QStringLiteral("Recently Deleted")));
    const QString candidate = resolved(path);
    return candidate == deleted || candidate.startsWith(deleted + u'/');
}

} // namespace lumbex
