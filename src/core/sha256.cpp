#include "core/sha256.h"

#include "core/error.h"
#include "core/file_names.h"

#include <array>
#include <memory>
#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

struct DigestContext {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx{EVP_MD_CTX_new(), &EVP_MD_CTX_free};

    DigestContext() {
        if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
            throw std::bad_alloc();
    }
    void update(const void* data, size_t size) { EVP_DigestUpdate(ctx.get(), data, size); }
    QString finish() {
        std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx.get(), digest.data(), &length);
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(digest.data()), int(length)).toHex());
    }
};

} // namespace

QString sha256Hex(QByteArrayView bytes) {
    DigestContext digest;
    digest.update(bytes.data(), size_t(bytes.size()));
    return digest.finish();
}

QString sha256HexOfFile(const QString& path, const QString& failureMessage) {
    // A regular file only, never through a symbolic link: a FIFO or device would never end.
    const int fd = ::open(encodeFileName(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw LumbexError(failureMessage);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw LumbexError(failureMessage);
    }
    DigestContext digest;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), size_t(chunk.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            throw LumbexError(failureMessage);
        }
        if (n == 0)
            break;
        digest.update(chunk.constData(), size_t(n));
    }
    ::close(fd);
    return digest.finish();
}

} // namespace lumbex
