#pragma once

#include <QByteArray>
#include <QString>

namespace lumbex {

// File helpers that never follow a symbolic link at the last component of a path, never read
// more than the caller allows, and never leave a half-written result. Every failure throws
// LumbexError naming the file and carrying the system's description of what went wrong ("No
// space left on device"). Paths are decoded file names (core/file_names.h).

// The system's description of an error number ("No space left on device").
QString systemErrorText(int error);

// A regular file opened for reading. Opening refuses, before anything is read, a symbolic
// link, a folder and anything that is not a regular file (a FIFO, a device, a socket), so that
// no read can block or run without end.
class InputFile {
public:
    explicit InputFile(const QString& path);
    // The file `name` inside the open folder `folder` (a descriptor, see core/folder_handle.h).
    InputFile(int folder, const QString& name);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const QString& path() const { return path_; }
    qint64 size() const { return size_; }
    // Up to `count` bytes from the start: enough to read a header without the rest.
    QByteArray head(qint64 count) const;
    // Up to `count` bytes from `offset`, fewer at the end of the file: for headers whose parts
    // lie elsewhere than at the start.
    QByteArray read(qint64 offset, qint64 count) const;
    // The whole file. Throws `tooLarge` (or a general message when empty) when the file is
    // larger than `maxBytes`, before reading anything.
    QByteArray readAll(qint64 maxBytes, const QString& tooLarge = {}) const;

private:
    QString path_;
    int fd_ = -1;
    qint64 size_ = 0;
};

// Reads a whole regular file of at most `maxBytes` (see InputFile).
QByteArray readFile(const QString& path, qint64 maxBytes, const QString& tooLarge = {});

// Writes through a new temporary file in the same folder, flushes it to disk and renames it
// over `path`; a failure leaves any earlier file at `path` untouched and removes the temporary.
// A symbolic link at `path` is replaced, never written through.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
// The same for the file `name` inside the open folder `folder`, temporary file included.
void writeFileAtomically(int folder, const QString& name, const QByteArray& bytes);

// Creates a new file (failing if anything exists at `path`, a symbolic link included), writes it
// and flushes it to disk. For files inside a folder that is itself still being built under a
// temporary name.
void writeNewFileDurably(const QString& path, const QByteArray& bytes);

// Copies the regular file `from` (never through a symbolic link) to the new file `to`, in
// chunks, and flushes it to disk.
void copyNewFileDurably(const QString& from, const QString& to);

// Makes `to` a second name of the file `from` (a symbolic link is never linked). Returns false,
// creating nothing, when the file system cannot (another device, no hard links); throws on any
// other failure.
bool hardLink(const QString& from, const QString& to);

// Creates one folder (its parent must exist); fails when anything exists at `path`.
void makeFolder(const QString& path);
// Creates the folder and any missing folders above it; an existing folder is fine, anything else
// in the way (a file, a symbolic link) fails.
void makeFolders(const QString& path);

// A fresh hidden name beside `target`, on the same file system so that a rename can finish the
// write: "<folder>/.<key>.<purpose>-<UUID>", where the key is the target's name, shortened with
// a digest when long so that the whole name stays within the file system's 255 bytes.
QString temporarySibling(const QString& target, const QString& purpose);
// What every temporarySibling of `target` starts with: "<folder>/.<key>.".
QString temporarySiblingPrefix(const QString& target);

// Flushes a folder's entries (new names, renames) to disk.
void syncFolder(const QString& folder);

// Renames `from` to `to` only when nothing exists at `to`; fails otherwise, even under a race.
void renameNoReplace(const QString& from, const QString& to);
// The same for two names inside the open folder `folder`.
void renameNoReplace(int folder, const QString& from, const QString& to);

// Swaps two existing entries in one step (renameat2 RENAME_EXCHANGE), so that neither name is
// ever missing. Returns false, changing nothing, when the file system cannot exchange; throws on
// any other failure.
bool exchangePaths(const QString& first, const QString& second);

// Removes a file or a whole folder tree; a symbolic link is removed, not followed. Missing paths
// are fine. Never throws.
void removePath(const QString& path);

// What is at `path`, looked at without following a symbolic link there.
enum class EntryKind { Missing, File, Folder, SymbolicLink, Other };
EntryKind entryKind(const QString& path);
// What is at `name` inside the open folder `folder`.
EntryKind entryKind(int folder, const QString& name);

} // namespace lumbex
