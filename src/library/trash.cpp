#include "library/trash.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

QString trashFailure(const QString& path, int error) {
    return QStringLiteral("“%1” could not be moved to the Trash: %2")
        .arg(displayFileName(QFileInfo(path).fileName()), systemErrorText(error));
}

std::optional<dev_t> deviceOf(const QString& path) {
    struct stat info {};
    if (::lstat(encodeFileName(path).constData(), &info) != 0)
        return std::nullopt;
    return info.st_dev;
}

// The folder at the top of the mount that holds `path`: the highest ancestor on its device.
QString topFolder(const QString& path, dev_t device) {
    QString top = QFileInfo(path).absolutePath();
    while (top != u'/') {
        const QString parent = QFileInfo(top).absolutePath();
        if (deviceOf(parent) != device)
            break;
        top = parent;
    }
    return top;
}

// A folder owned by us (created with mode 0700 when missing) that is not a symbolic link.
bool usableFolder(const QString& path, bool create) {
    const QByteArray name = encodeFileName(path);
    if (create && ::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct TrashPlace {
    QString folder;
    // Paths in its .trashinfo files are relative to this folder; empty: absolute.
    QString top;
};

std::optional<TrashPlace> trashFor(const QString& path, const QString& home) {
    const auto device = deviceOf(path);
    if (!device)
        return std::nullopt;
    // The home trash is made on first use; an item on its file system always goes there.
    if (QDir().mkpath(home) && usableFolder(home, false) && deviceOf(home) == device)
        return TrashPlace{home, {}};
    const QString top = topFolder(path, *device);
    const QString uid = QString::number(::getuid());
    // An administrator's shared trash: a real folder with the sticky bit, never a link.
    const QString shared = top + QStringLiteral("/.Trash");
    struct stat info {};
    if (::lstat(encodeFileName(shared).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        (info.st_mode & S_ISVTX) && usableFolder(shared + u'/' + uid, true))
        return TrashPlace{shared + u'/' + uid, top};
    const QString own = top + QStringLiteral("/.Trash-") + uid;
    if (usableFolder(own, true))
        return TrashPlace{own, top};
    return std::nullopt;
}

} // namespace

FreedesktopTrash::FreedesktopTrash(QString home, std::function<QDateTime()> clock)
    : home_(std::move(home)), clock_(std::move(clock)) {
    if (home_.isEmpty())
        home_ = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/Trash");
}

QByteArray FreedesktopTrash::trashInfo(const QString& path, const QDateTime& when) {
    return QByteArrayLiteral("[Trash Info]\nPath=") + encodeFileName(path).toPercentEncoding("/") +
           QByteArrayLiteral("\nDeletionDate=") +
           when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

QString FreedesktopTrash::moveToTrash(const QString& given) {
    const QString path = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    const auto place = trashFor(path, home_);
    if (!place)
        throw LumbexError(trashFailure(path, errno ? errno : EXDEV), errno);
    const QString files = place->folder + QStringLiteral("/files");
    const QString info = place->folder + QStringLiteral("/info");
    if (!usableFolder(files, true) || !usableFolder(info, true))
        throw LumbexError(trashFailure(path, errno), errno);

    const QString recorded = place->top.isEmpty() ? path : QDir(place->top).relativeFilePath(path);
    const QByteArray contents = trashInfo(recorded, clock_());
    const QString base = QFileInfo(path).fileName();
    for (int n = 1; n < 10000; ++n) {
        // "Name", "Name.2", "Name.3", …: the info file, created exclusively, reserves the name.
        const QString name = n == 1 ? base : base + u'.' + QString::number(n);
        const QString infoPath = info + u'/' + name + QStringLiteral(".trashinfo");
        const int fd = ::open(encodeFileName(infoPath).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw LumbexError(trashFailure(path, errno), errno);
        }
        const bool written =
            ::write(fd, contents.constData(), size_t(contents.size())) == contents.size() &&
            ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        const QString target = files + u'/' + name;
        if (!written || entryKind(target) != EntryKind::Missing) {
            removePath(infoPath);
            if (!written)
                throw LumbexError(trashFailure(path, writeError), writeError);
            continue;
        }
        try {
            renameNoReplace(path, target);
        } catch (const LumbexError& e) {
            removePath(infoPath);
            throw LumbexError(trashFailure(path, e.systemError()), e.systemError());
        }
        return target;
    }
    throw LumbexError(trashFailure(path, EEXIST), EEXIST);
}

} // namespace lumbex
