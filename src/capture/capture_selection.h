#pragma once

#include "core/rect.h"

#include <QString>
#include <variant>
#include <vector>

namespace lumbex {

// What a capture or a recording covers. Geometry follows the contract in capture_coordinates.h.

// One connected display as the capture picker and the capture see it.
struct CaptureDisplay {
    QString id;       // the output's name: stable while the display stays connected
    Rect cocoaFrame;  // in desktop coordinates (the picker's)
    Rect quartzFrame; // in capture coordinates
    double scale = 1; // pixels per point
    double rotation = 0;
    bool isMain = false;

    friend bool operator==(const CaptureDisplay&, const CaptureDisplay&) = default;
};

// A window id that no window system gives out: the window is the one the person chooses in the
// desktop's own dialog when it is read (Wayland keeps windows private).
inline constexpr quint32 kWindowChosenInDialog = 0;

struct CaptureWindow {
    quint32 id = 0;
    qint32 processID = 0;
    QString title;
    Rect frame; // capture coordinates, with the window's decorations

    friend bool operator==(const CaptureWindow&, const CaptureWindow&) = default;
};

// An area, with the display setup it was chosen on so that repeating it can tell when the setup
// changed.
struct CaptureRegion {
    Rect rect; // capture coordinates
    std::vector<CaptureDisplay> displays;

    friend bool operator==(const CaptureRegion&, const CaptureRegion&) = default;
};

using CaptureSelection = std::variant<CaptureRegion, CaptureWindow, CaptureDisplay>;

} // namespace lumbex
