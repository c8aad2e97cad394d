#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace lumbex {

// Reads QR codes; safe to use from one thread at a time.
class QrReader {
public:
    virtual ~QrReader() = default;

    // The payloads of the QR codes found in `image`, in the reader's order; codes whose payload
    // is not text are left out. Throws LumbexError when the reader fails.
    virtual std::vector<QString> read(const QImage& image) = 0;
};

} // namespace lumbex
