#pragma once

#include "capture/capture_selection.h"
#include "platform/screen_grabber.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>

namespace lumbex {

struct CaptureOptions {
    bool includeCursor = false; // "captureIncludeCursor"
    bool windowShadow = false;  // "captureWindowShadow"
};

// A taken picture: the PNG as it is stored, its size, and the rectangle it shows in capture
// coordinates (a window's frame without the shadow's margin).
struct CaptureShot {
    QByteArray png;
    QSize size;
    Rect rect;
};

// Checks that the selection still exists on the screen as it is now: a window must still be
// listed ("That window is no longer visible. Select it again."), a display must still be
// connected unchanged ("The selected display changed. Start a new capture."), and a region must
// pass `validateRegion` against the current displays. Throws the message.
void validateSelection(const CaptureSelection& selection, ScreenGrabber& screen, qint32 ownProcess);

// Reads the selection from the screen, draws the pointer and the window shadow when asked, and
// encodes the PNG. Blocks for the grab and the encoding (tens of milliseconds for a full HD
// screen); any thread. Throws LumbexError.
CaptureShot takePicture(const CaptureSelection& selection, ScreenGrabber& screen,
                        const CaptureOptions& options);

// The name a new capture note gets: "Capture " and the moment in abbreviated date and short time
// style ("Capture Dec 6, 2026 at 5:09 PM").
QString captureName(const QDateTime& moment);

} // namespace lumbex
