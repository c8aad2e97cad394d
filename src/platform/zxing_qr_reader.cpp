#include "platform/zxing_qr_reader.h"

// The Debian 1.4 headers return UTF-16 text unless told to move to UTF-8.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace lumbex {

std::vector<QString> ZxingQrReader::read(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    std::vector<QString> payloads;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid() || result.contentType() == ZXing::ContentType::Binary)
            continue;
        payloads.push_back(QString::fromStdString(result.text()));
    }
    return payloads;
}

} // namespace lumbex
