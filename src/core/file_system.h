#pragma once

#include <QByteArray>
#include <QString>

namespace lumbex {

// The file operations a package save is made of, behind one interface, so that a test can make
// any single step fail (a full disk, a link across devices, an I/O error) and check what
// survives. local() is the real file system: the helpers of core/files.h. Every method throws
// LumbexError as those do, carrying the system's error number.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    static FileSystem& local();

    virtual void makeFolder(const QString& path) = 0;
    virtual void writeNewFileDurably(const QString& path, const QByteArray& bytes) = 0;
    // Copies the regular file `from` to the new file `to` and flushes it to disk.
    virtual void copyNewFileDurably(const QString& from, const QString& to) = 0;
    // Makes `to` a second name of the file `from`. False, creating nothing, when the file system
    // cannot (another device, no hard links); throws on any other failure.
    virtual bool hardLink(const QString& from, const QString& to) = 0;
    virtual void syncFolder(const QString& folder) = 0;
    virtual void renameNoReplace(const QString& from, const QString& to) = 0;
    virtual bool exchangePaths(const QString& first, const QString& second) = 0;
};

} // namespace lumbex
