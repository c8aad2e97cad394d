#pragma once

#include <QByteArrayView>
#include <QString>

namespace lumbex {

// SHA-256 as 64 lower-case hexadecimal characters. OpenSSL's EVP interface uses the CPU's SHA
// extensions where present.
QString sha256Hex(QByteArrayView bytes);

// Streams the file in 1 MiB chunks. Throws LumbexError with `failureMessage` when the file
// cannot be opened or read.
QString sha256HexOfFile(const QString& path, const QString& failureMessage);

} // namespace lumbex
