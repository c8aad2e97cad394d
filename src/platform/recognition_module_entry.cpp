#include "platform/recognition_module.h"

extern "C" __attribute__((visibility("default"))) const void* lumbexRecognitionModule() {
    static const lumbex::RecognitionModule module{&lumbex::openInstalledTextEngine,
                                                  &lumbex::openInstalledQrReader};
    return &module;
}
