#include "platform/recognition_module.h"
#include "platform/tesseract_engine.h"
#include "platform/zxing_qr_reader.h"

namespace lumbex {

std::unique_ptr<TextEngine> openInstalledTextEngine() {
    return std::make_unique<TesseractEngine>();
}

std::unique_ptr<QrReader> openInstalledQrReader() {
    return std::make_unique<ZxingQrReader>();
}

} // namespace lumbex
