#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lumbex {

// An open folder, and everything done inside it by name relative to that descriptor. No step
// resolves a path again, so a folder swapped for a symbolic link after it was opened cannot
// redirect a write or a read, and children are opened without following symbolic links. Names are
// single entries of the folder, never paths with a slash. Failures throw LumbexError naming the
// entry, with the system's error number (core/error.h).
class FolderHandle {
public:
    // Opens the folder at `path`. Symbolic links on the way are followed: the caller names this
    // folder on purpose. Throws ENOENT or ENOTDIR when there is no folder there.
    static FolderHandle open(const QString& path);

    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle();

    // Where the folder was when it was opened: for messages and for telling others where the files
    // are, never for reaching them.
    const QString& path() const { return path_; }
    int descriptor() const { return fd_; }

    // The existing child folder `name`. A symbolic link there (even to a folder) throws with
    // ELOOP, anything else that is not a folder with ENOTDIR, a missing entry with ENOENT.
    FolderHandle openChild(const QString& name) const;
    // Creates the child folder `name`, failing when anything exists there, and opens it.
    FolderHandle makeChild(const QString& name) const;
    // Opens the child folder `name`, creating it first when missing (fails as openChild does).
    FolderHandle openOrMakeChild(const QString& name) const;

    // The names of the folder's entries, "." and ".." left out; none when it cannot be listed.
    QStringList entries() const;

    // Writes `name` through a temporary file in this folder, flushed and renamed into place.
    void writeFileAtomically(const QString& name, const QByteArray& bytes) const;
    // Reads the regular file `name` of at most `maxBytes` (core/files.h, InputFile).
    QByteArray readFile(const QString& name, qint64 maxBytes, const QString& tooLarge = {}) const;
    // Renames the entry `child` to `newName` in this folder; fails when `newName` exists.
    void rename(const QString& child, const QString& newName) const;
    // Removes the entry `child` and, when it is a folder, everything in it; a symbolic link is
    // removed as a link, never followed. A missing entry is fine; what cannot be removed stays,
    // without an error.
    void removeTree(const QString& child) const;

private:
    FolderHandle(int fd, QString path) : path_(std::move(path)), fd_(fd) {}

    QString childPath(const QString& name) const;

    QString path_;
    int fd_ = -1;
};

} // namespace lumbex
