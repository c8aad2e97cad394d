#pragma once

#include "capture/capture_selection.h"

#include <optional>

class QSettings;

namespace lumbex {

// The capture choices kept in the application's settings: "captureIncludeCursor" and
// "captureWindowShadow" (both off by default) and "lastCaptureRegion" (JSON of the last area
// captured, for "Capture Last Area").
class CaptureSettings {
public:
    explicit CaptureSettings(QSettings& settings);

    bool includeCursor() const;
    void setIncludeCursor(bool include);
    bool includeWindowShadow() const;
    void setIncludeWindowShadow(bool include);

    // Nothing when none is stored or the stored value cannot be read.
    std::optional<CaptureRegion> lastCaptureRegion() const;
    void setLastCaptureRegion(const CaptureRegion& region);

private:
    QSettings& settings_;
};

} // namespace lumbex
