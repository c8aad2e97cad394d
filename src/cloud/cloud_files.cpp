#include "cloud/cloud_files.h"

#include "cloud/cloud_messages.h"
#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QDir>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <openssl/evp.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

struct Descriptor {
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(Descriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Opens a regular file for reading without following a symbolic link there and without blocking
// on a FIFO; its status comes with it.
Descriptor openRegular(const QString& file, struct stat& status) {
    Descriptor d(
        ::open(encodeFileName(file).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (d.fd < 0 || ::fstat(d.fd, &status) != 0 || !S_ISREG(status.st_mode))
        fail(CloudMessages::notRegular);
    return d;
}

QString hashDescriptor(int fd) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), size_t(chunk.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(CloudMessages::notRegular);
        if (n == 0)
            break;
        EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(n));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest.data(), &length);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest.data()), int(length)).toHex());
}

[[noreturn]] void changed(const QString& path) {
    throw LumbexError(QStringLiteral("A cloud file changed: %1. Both copies have been kept.")
                          .arg(path.section(u'/', -1)));
}

void writeAll(int fd, const char* data, size_t size, const QString& to) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw LumbexError(QStringLiteral("Could not write “%1”: %2")
                                  .arg(displayFileName(to), systemErrorText(errno)),
                              errno);
        data += n;
        size -= size_t(n);
    }
}

// Byte copy for file systems that neither clone nor copy ranges between these two files.
void copyBytes(int from, int to, const QString& toPath) {
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(from, chunk.data(), size_t(chunk.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw LumbexError(
                QStringLiteral("Could not read a file to copy: %1").arg(systemErrorText(errno)),
                errno);
        if (n == 0)
            return;
        writeAll(to, chunk.constData(), size_t(n), toPath);
    }
}

// copy_file_range until the end; false when the kernel or file system refuses before any byte.
bool copyRanges(int from, int to, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(size - done), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (done == 0)
                return false;
            throw LumbexError(QStringLiteral("Could not copy a file: %1")
                                  .arg(systemErrorText(n < 0 ? errno : EIO)),
                              n < 0 ? errno : EIO);
        }
        done += n;
    }
    return true;
}

} // namespace

namespace CloudFiles {

void validatePath(const QString& path) {
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(u'\\') || path.contains(QChar(0)))
        fail(CloudMessages::unsafePath);
    for (const QStringView part : QStringView(path).split(u'/'))
        if (part.isEmpty() || part == u"." || part == u"..")
            fail(CloudMessages::unsafePath);
}

QString resolve(const QString& root, const QString& path) {
    validatePath(path);
    const QString canonical = QFileInfo(root).canonicalFilePath();
    QString current = QDir::cleanPath(canonical.isEmpty() ? root : canonical);
    // Each part is looked at by its parent's descriptor, so a parent swapped meanwhile cannot
    // lead the look elsewhere.
    Descriptor parent(
        ::open(encodeFileName(current).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray name = encodeFileName(parts[i]);
        current += u'/' + parts[i];
        if (parent.fd < 0)
            continue;
        struct stat status {};
        if (::fstatat(parent.fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            parent.fd = -1;
            continue;
        }
        if (S_ISLNK(status.st_mode))
            fail(CloudMessages::symbolicLink);
        if (i + 1 < parts.size()) {
            const int child = ::openat(parent.fd, name.constData(),
                                       O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0 && errno == ELOOP)
                fail(CloudMessages::symbolicLink);
            ::close(parent.fd);
            parent.fd = child;
        }
    }
    return current;
}

CloudFile record(const QString& path, const QString& file) {
    struct stat status {};
    const Descriptor d = openRegular(file, status);
    return {path, hashDescriptor(d.fd), qint64(status.st_size)};
}

void verify(const QString& root, const CloudFile& expected) {
    const QString file = resolve(root, expected.path);
    CloudFile found;
    try {
        found = record(expected.path, file);
    } catch (const LumbexError&) {
        changed(expected.path);
    }
    if (found != expected)
        changed(expected.path);
}

void copy(const QString& from, const QString& to) {
    makeFolders(QFileInfo(to).absolutePath());
    struct stat status {};
    const Descriptor source = openRegular(from, status);
    const Descriptor target(::open(encodeFileName(to).constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (target.fd < 0)
        throw LumbexError(QStringLiteral("Could not create “%1”: %2")
                              .arg(displayFileName(to), systemErrorText(errno)),
                          errno);
    try {
        if (::ioctl(target.fd, FICLONE, source.fd) != 0 &&
            !copyRanges(source.fd, target.fd, qint64(status.st_size)))
            copyBytes(source.fd, target.fd, to);
        if (::fsync(target.fd) != 0)
            throw LumbexError(QStringLiteral("Could not write “%1”: %2")
                                  .arg(displayFileName(to), systemErrorText(errno)),
                              errno);
    } catch (...) {
        ::unlink(encodeFileName(to).constData());
        throw;
    }
}

QString safeTitle(const QString& title) {
    QString out;
    for (const char32_t c : title.toUcs4()) {
        const bool keep = QChar::isLetterOrNumber(c) || c == U' ' || c == U'-' || c == U'_';
        if (keep)
            out += QString::fromUcs4(&c, 1);
        else
            out += u'-';
    }
    // 64 scalars, not 64 UTF-16 units: a cut never splits a character.
    const auto scalars = out.toUcs4();
    if (scalars.size() > 64)
        out = QString::fromUcs4(reinterpret_cast<const char32_t*>(scalars.constData()), 64);
    out = out.trimmed();
    return out.isEmpty() ? QStringLiteral("Capture") : out;
}

} // namespace CloudFiles

CloudVerification& CloudVerification::shared() {
    static CloudVerification instance;
    return instance;
}

void CloudVerification::forget() {
    const std::lock_guard guard(lock_);
    known_.clear();
}

void CloudVerification::verify(const CloudFile& expected, const QString& file) {
    struct stat status {};
    std::optional<Descriptor> d;
    try {
        d.emplace(openRegular(file, status));
    } catch (const LumbexError&) {
        changed(expected.path);
    }
    Known now{{},
              qint64(status.st_size),
              quint64(status.st_dev),
              quint64(status.st_ino),
              qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
              qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
    {
        const std::lock_guard guard(lock_);
        const auto it = known_.find(file);
        if (it != known_.end() && it->second.bytes == now.bytes &&
            it->second.device == now.device && it->second.inode == now.inode &&
            it->second.modifiedNs == now.modifiedNs && it->second.changedNs == now.changedNs) {
            if (it->second.sha256 != expected.sha256 || now.bytes != expected.bytes)
                changed(expected.path);
            return;
        }
    }
    now.sha256 = hashDescriptor(d->fd);
    {
        const std::lock_guard guard(lock_);
        const auto it = known_.find(file);
        // Bytes other than last time are a change only when they are not the ones expected now:
        // the note's pointer is rewritten by every publication.
        const bool differs =
            it != known_.end() && it->second.sha256 != now.sha256 && now.sha256 != expected.sha256;
        known_[file] = now;
        if (differs)
            fail(CloudMessages::cachedChanged);
    }
    if (now.sha256 != expected.sha256 || now.bytes != expected.bytes)
        changed(expected.path);
}

} // namespace lumbex
