#pragma once

#include "capture/capture_selection.h"
#include "platform/recording_sources.h"

#include <QSize>
#include <optional>

namespace lumbex {

// What a recording of a selection reads and at which size it is written.
struct RecordingSourcePlan {
    std::variant<QRect, quint32> source; // desktop pixels of an area or display, or a window id
    QSize sourcePixels;
    QSize outputSize; // even
};

// Checks a selection against the current displays and windows and plans its recording. A
// recording that already has segments keeps their size (`keepSize`). Throws the recorder's
// messages: "Keep the recording area on one display.", "Choose the display containing the
// capture area, then try again.", "The recording source is unavailable.", "The selected window is
// no longer available." and the output size's.
RecordingSourcePlan planRecordingSource(const CaptureSelection& selection,
                                        const std::vector<CaptureDisplay>& displays,
                                        const std::vector<CaptureWindow>& windows,
                                        std::optional<int> longestSide,
                                        std::optional<QSize> keepSize = {});

} // namespace lumbex
