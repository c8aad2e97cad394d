#pragma once

#include "platform/recording_sources.h"

#include <QRect>
#include <QSize>
#include <memory>
#include <optional>

namespace lumbex {

// Where a PipeWire frame source reads its pictures.
struct PipeWireFrameSettings {
    int fd = -1;      // a connection to the PipeWire server (the portal's); taken over
    quint32 node = 0; // the video node to read
    // The node's picture size as it was granted, in logical pixels; pictures may be larger by
    // the output's scale. Empty when unknown.
    QSize grantedSize;
    // The part to keep, in the same logical pixels; none keeps the whole picture.
    std::optional<QRect> area;
};

// A screen frame source fed by a PipeWire video node in 32-bit BGRx, BGRA, RGBx or RGBA, from
// shared memory. A picture is delivered when the node sends one (desktops send one only when
// the screen changed), at most 30 per second on the host clock; a picture that arrives sooner
// waits for the next tick, so that the last change before a still stretch is never lost. A
// picture the server marks as corrupted is skipped. Pictures whose size differs from the first
// one fail the source with "The selected recording source changed. Choose it again."; a node
// that goes away or a broken connection fails it with a message saying the screen sharing
// stopped. Throws LumbexError when the connection cannot be made.
std::unique_ptr<ScreenFrameSource> openPipeWireFrameSource(const PipeWireFrameSettings& settings);

} // namespace lumbex
