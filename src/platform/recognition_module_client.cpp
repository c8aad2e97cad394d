#include "platform/lumbex_module.h"
#include "platform/recognition_module.h"

// The recognition entry points of the executable: each opens the recognition module on first use.
namespace lumbex {
namespace {

const RecognitionModule& recognition() {
    static const auto* module = static_cast<const RecognitionModule*>(
        openLumbexModule(QString::fromLatin1(kRecognitionModuleFile), kRecognitionModuleEntry));
    return *module;
}

} // namespace

std::unique_ptr<TextEngine> openInstalledTextEngine() {
    return recognition().openInstalledTextEngine();
}

std::unique_ptr<QrReader> openInstalledQrReader() {
    return recognition().openInstalledQrReader();
}

} // namespace lumbex
