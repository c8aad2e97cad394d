#include "core/sha256.h"

#include "core/error.h"

#include <QFile>
#include <array>
#include <memory>
#include <openssl/evp.h>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LumbexError(failureMessage);
    DigestContext digest;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0)
            throw LumbexError(failureMessage);
        if (n == 0)
            break;
        digest.update(chunk.constData(), size_t(n));
    }
    return digest.finish();
}

} // namespace lumbex
