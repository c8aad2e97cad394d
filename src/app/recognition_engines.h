#pragma once

#include "recognition/image_recognition.h"

namespace lumbex {

// Tesseract for text and ZXing-cpp for QR codes, as installed on this computer.
RecognitionEngines installedRecognitionEngines();
// The same engines on one crew kept for the whole run of the application, so that readings after
// the first do not load them again.
RecognitionEngines warmRecognitionEngines();

} // namespace lumbex
