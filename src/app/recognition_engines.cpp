#include "app/recognition_engines.h"

#include "platform/recognition_module.h"

#include <QThread>
#include <algorithm>

namespace lumbex {

RecognitionEngines installedRecognitionEngines() {
    // Each engine takes a moment to load and tens of megabytes: beyond a few, more engines cost
    // more than they save on a screen's worth of text.
    constexpr int kMostTextThreads = 4;
    return {[] { return openInstalledTextEngine(); }, [] { return openInstalledQrReader(); },
            std::clamp(QThread::idealThreadCount(), 1, kMostTextThreads)};
}

RecognitionEngines warmRecognitionEngines() {
    RecognitionEngines engines = installedRecognitionEngines();
    engines.warmCrew = std::make_shared<WarmReadingCrew>(engines.textEngine, engines.textThreads);
    return engines;
}

} // namespace lumbex
