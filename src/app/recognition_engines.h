#pragma once

#include "recognition/image_recognition.h"

namespace lumbex {

// Tesseract for text and ZXing-cpp for QR codes, as installed on this computer.
RecognitionEngines installedRecognitionEngines();

} // namespace lumbex
