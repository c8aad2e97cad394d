#pragma once

#include "platform/qr_reader.h"

namespace lumbex {

// QR codes through ZXing-cpp.
class ZxingQrReader : public QrReader {
public:
    std::vector<QString> read(const QImage& image) override;
};

} // namespace lumbex
