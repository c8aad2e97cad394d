#include "recording/recording_frame_rendering.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

QRect wholePixels(const Rect& rect) {
    const Rect whole = rect.roundedOut();
    return {int(whole.x), int(whole.y), int(whole.width), int(whole.height)};
}

// Where `scaledLength` output pixels go along an output side: centred, clamped to the side, and
// even in place and length when the side is even.
std::pair<int, int> placeAlong(int side, double scaledLength) {
    const bool even = side % 2 == 0;
    int length = std::clamp(int(std::lround(scaledLength)), 1, side);
    if (even)
        length = std::max(2, length & ~1);
    int offset = (side - length) / 2;
    if (even)
        offset &= ~1;
    return {offset, length};
}

} // namespace

FrameLayout recordingFrameLayout(const ScreenRecording& recording, qint64 sourceTime,
                                 const RecordingOutputSize& size) {
    FrameLayout layout;
    layout.output = QSize(size.width, size.height);
    layout.crop = wholePixels(recording.visibleRect()).intersected(wholePixels(recording.extent()));
    const auto [x, width] = placeAlong(size.width, size.scale * layout.crop.width());
    const auto [y, height] = placeAlong(size.height, size.scale * layout.crop.height());
    layout.target = QRect(x, y, width, height);
    for (const RecordingRedaction& redaction : recording.redactions)
        if (redaction.range.contains(sourceTime))
            layout.blackout.push_back(wholePixels(redaction.rect));
    return layout;
}

QImage renderRecordingFrame(const QImage& source, const ScreenRecording& recording,
                            qint64 sourceTime, const RecordingOutputSize& size) {
    return renderFrame(source, recordingFrameLayout(recording, sourceTime, size));
}

} // namespace lumbex
