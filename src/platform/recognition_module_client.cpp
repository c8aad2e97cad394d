#include "platform/lumbex_module.h"
#include "platform/recognition_module.h"

// The recognition entry points of the executable: each opens the recognition module on first use.
namespace lumbex {
namespace {

const RecognitionModule& recognition() {
    return lumbexModule<RecognitionModule>(kRecognitionModuleFile, kRecognitionModuleEntry);
}

} // namespace

std::unique_ptr<TextEngine> openInstalledTextEngine() {
    return recognition().openInstalledTextEngine();
}

std::unique_ptr<QrReader> openInstalledQrReader() {
    return recognition().openInstalledQrReader();
}

} // namespace lumbex
