#include "app/recognition_engines.h"

#include "platform/tesseract_engine.h"
#include "platform/zxing_qr_reader.h"

namespace lumbex {

RecognitionEngines installedRecognitionEngines() {
    limitRecognitionThreads();
    return {[] { return std::make_unique<TesseractEngine>(); },
            [] { return std::make_unique<ZxingQrReader>(); }};
}

} // namespace lumbex
