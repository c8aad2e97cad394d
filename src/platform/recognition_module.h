#pragma once

#include "platform/qr_reader.h"
#include "platform/text_engine.h"

#include <memory>

namespace lumbex {

// Tesseract with the installed English and Korean language data. Throws LumbexError when neither
// language is installed.
std::unique_ptr<TextEngine> openInstalledTextEngine();
// ZXing-cpp.
std::unique_ptr<QrReader> openInstalledQrReader();

// What the recognition module offers the executable.
struct RecognitionModule {
    decltype(&lumbex::openInstalledTextEngine) openInstalledTextEngine;
    decltype(&lumbex::openInstalledQrReader) openInstalledQrReader;
};

inline constexpr char kRecognitionModuleFile[] = "lumbex-recognition.so";
inline constexpr char kRecognitionModuleEntry[] = "lumbexRecognitionModule";

} // namespace lumbex
