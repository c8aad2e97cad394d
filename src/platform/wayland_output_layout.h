#pragma once

#include "platform/screen_grabber.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace lumbex {

// What a Wayland compositor says about one output: its name ("HEADLESS-1", "DP-1") and the part
// of the desktop's logical layout it shows (after its scale and rotation), in the compositor's
// order.
struct WaylandOutput {
    QString name;
    QRect logical;
    int rotation = 0; // degrees: 0, 90, 180 or 270
    // As wl_output says: the integer scale of its pixels to the layout's, and its transform
    // (0…7, the odd ones turned a quarter, 4…7 flipped).
    int scale = 1;
    int transform = 0;

    friend bool operator==(const WaylandOutput&, const WaylandOutput&) = default;
};

// The logical rectangle of an output that gives no logical geometry of its own (no xdg-output):
// its current mode in buffer pixels, turned by its transform (wl_output's 0…7) and divided by its
// integer scale, at its position.
QRect outputLogicalRect(QPoint position, QSize mode, int scale, int transform);

// The rotation in degrees of a wl_output transform (flipped ones turn the same way).
int outputRotation(int transform);

// The displays of a screenshot `picture` of the whole desktop, which shows the bounding box of
// the outputs' logical layout scaled to its own pixel size (the portal's picture is drawn at the
// largest output scale). Each display's geometry is its output's part of the picture, in picture
// pixels; the first output is the primary one.
//
// Any layout that does not describe the picture is replaced by one display "screen" covering the
// whole picture: no outputs, an output without a name or with a name another has, an empty
// rectangle, outputs that overlap (mirrored ones), or a picture whose width and height are not
// scaled alike from the layout.
std::vector<ScreenDisplay> displaysInPicture(const std::vector<WaylandOutput>& outputs,
                                             QSize picture);

// The size of the picture of the whole desktop that the wlroots portal takes: the bounding box of
// the outputs' layout at the largest output scale. Empty without outputs.
QSize desktopPictureSize(const std::vector<WaylandOutput>& outputs);

} // namespace lumbex
