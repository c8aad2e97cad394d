#pragma once

#include "cloud/cloud_revision.h"

#include <QString>
#include <map>
#include <mutex>

namespace lumbex {

// Files of revisions: safe relative paths, records of size and digest, verification and copies.
// Paths are decoded file names; relative paths use "/" and never begin with it.
namespace CloudFiles {

// Refuses an empty path, a leading "/", a backslash, a NUL, and any empty, "." or ".." part.
void validatePath(const QString& path);
// The path's place under `root` (symbolic links in the root itself resolved). Every part below the
// root is looked at without following it: a symbolic link anywhere fails; an entry that does not
// exist yet passes.
QString resolve(const QString& root, const QString& path);
// The size and SHA-256 of the regular file at `file` (never through a symbolic link there),
// recorded under the relative `path`.
CloudFile record(const QString& path, const QString& file);
// Resolves, records and compares with `expected`: "A cloud file changed: <name>. Both copies have
// been kept." on any difference.
void verify(const QString& root, const CloudFile& expected);
// Creates `to`'s parent folders, then clones `from` (copy-on-write) into the new file `to`, or
// copies the bytes when the file system cannot clone. Flushed to disk.
void copy(const QString& from, const QString& to);
// The note title as a folder name: other than letters, digits, space, "-" and "_" becomes "-",
// cut to 64 characters, trimmed; "Capture" when empty.
QString safeTitle(const QString& title);

} // namespace CloudFiles

// The process-wide memory of files of the sync folder already verified. A file whose identity
// (device, inode, size, change and modification times) is unchanged since its last check is
// answered from memory; a later check of the same path that finds other bytes answers "The cloud
// file changed.". Thread-safe.
class CloudVerification {
public:
    static CloudVerification& shared();

    // Throws the messages of CloudFiles::verify, or the changed-file message above.
    void verify(const CloudFile& expected, const QString& file);
    void forget();

private:
    struct Known {
        QString sha256;
        qint64 bytes = 0;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
    };
    std::mutex lock_;
    std::map<QString, Known> known_;
};

} // namespace lumbex
