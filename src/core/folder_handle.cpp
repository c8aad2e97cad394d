#include "core/folder_handle.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumbex {
namespace {

// Deep enough for anything a caller writes into its own folders; a deeper tree stops the removal
// before it runs out of descriptors.
constexpr int kMaxRemovalDepth = 32;

[[noreturn]] void throwErrno(const QString& what, const QString& name, int error = errno) {
    throw LumbexError(
        QStringLiteral("%1 “%2”: %3.").arg(what, displayFileName(name), systemErrorText(error)),
        error);
}

// The entry names of an open folder, read through a descriptor of its own so that the caller's
// stays untouched.
std::vector<QByteArray> entryNames(int folder) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        ::close(fd);
        return {};
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

void removeEntry(int folder, const QByteArray& name, int depth) {
    // unlinkat removes files and symbolic links alike and refuses a folder with EISDIR.
    if (::unlinkat(folder, name.constData(), 0) == 0 || errno != EISDIR || depth == 0)
        return;
    const int child =
        ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0)
        return;
    for (const QByteArray& entry : entryNames(child))
        removeEntry(child, entry, depth - 1);
    ::close(child);
    ::unlinkat(folder, name.constData(), AT_REMOVEDIR);
}

} // namespace

FolderHandle FolderHandle::open(const QString& path) {
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not open the folder"), path);
    return FolderHandle(fd, path);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

QString FolderHandle::childPath(const QString& name) const {
    return path_ + u'/' + name;
}

FolderHandle FolderHandle::openChild(const QString& name) const {
    const int fd = ::openat(fd_, encodeFileName(name).constData(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        return FolderHandle(fd, childPath(name));
    const int error = errno;
    // The system says ENOTDIR for a symbolic link too; a link is worth its own words.
    if ((error == ENOTDIR || error == ELOOP) && entryKind(fd_, name) == EntryKind::SymbolicLink)
        throw LumbexError(
            QStringLiteral("“%1” is a symbolic link, not a folder.").arg(displayFileName(name)),
            ELOOP);
    if (error == ENOTDIR)
        throw LumbexError(QStringLiteral("“%1” is not a folder.").arg(displayFileName(name)),
                          ENOTDIR);
    throwErrno(QStringLiteral("Could not open the folder"), name, error);
}

FolderHandle FolderHandle::makeChild(const QString& name) const {
    if (::mkdirat(fd_, encodeFileName(name).constData(), 0777) != 0)
        throwErrno(QStringLiteral("Could not create the folder"), name);
    return openChild(name);
}

FolderHandle FolderHandle::openOrMakeChild(const QString& name) const {
    // mkdirat never follows a symbolic link: one there is left for openChild to refuse.
    if (::mkdirat(fd_, encodeFileName(name).constData(), 0777) != 0 && errno != EEXIST)
        throwErrno(QStringLiteral("Could not create the folder"), name);
    return openChild(name);
}

QStringList FolderHandle::entries() const {
    QStringList names;
    for (const QByteArray& name : entryNames(fd_))
        names.append(decodeFileName(name));
    return names;
}

void FolderHandle::writeFileAtomically(const QString& name, const QByteArray& bytes) const {
    lumbex::writeFileAtomically(fd_, name, bytes);
}

QByteArray FolderHandle::readFile(const QString& name, qint64 maxBytes,
                                  const QString& tooLarge) const {
    return InputFile(fd_, name).readAll(maxBytes, tooLarge);
}

void FolderHandle::rename(const QString& child, const QString& newName) const {
    renameNoReplace(fd_, child, newName);
}

void FolderHandle::removeTree(const QString& child) const {
    removeEntry(fd_, encodeFileName(child), kMaxRemovalDepth);
}

} // namespace lumbex
