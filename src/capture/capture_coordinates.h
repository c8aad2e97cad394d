#pragma once

#include "capture/capture_selection.h"

#include <optional>

namespace lumbex {

// Two global coordinate systems meet in a capture, both in points:
// - desktop coordinates (`cocoaFrame`): where the picker and the pointer are, as the GUI toolkit
//   places windows;
// - capture coordinates (`quartzFrame`, `CaptureRegion::rect`, `CaptureWindow::frame`): the X11
//   root window's, which is what the screen is read in.
// On X11 both have their origin at the top left of the desktop with y growing downward and one
// point per pixel, so the conversions reduce to a translation between the main display's two
// frames (zero today). They stay functions so that the picker's logic does not depend on that,
// and every conversion goes through the main display: the first display with `isMain`.

// Desktop to capture coordinates, made integral (the smallest whole-point rectangle containing
// it). Throws "The display setup changed. Select an area again." without a main display or for a
// rectangle that is not finite.
Rect quartzRect(const Rect& rect, const std::vector<CaptureDisplay>& displays);
// Capture to desktop coordinates (not made integral); nothing without a main display.
std::optional<Rect> cocoaRect(const Rect& rect, const std::vector<CaptureDisplay>& displays);

// The displays in a region's stored order: sorted stably by `id`.
std::vector<CaptureDisplay> sortedDisplays(std::vector<CaptureDisplay> displays);

// An area the user chose in desktop coordinates, checked with `validateRegion` against the
// displays it was chosen on. Throws the check's message.
CaptureRegion makeCaptureRegion(const Rect& cocoaRect, const std::vector<CaptureDisplay>& displays);

// Whether a region can be captured on the current (sorted) displays. Throws, in this order:
// "The display setup changed. Select an area again before repeating it." when the displays differ
// from the region's; "Select an area at least 2 × 2 points." for a rectangle that is not finite
// or is narrower or lower than 2 points; "The saved area is outside the connected displays.
// Select an area again." when it touches no display or leaves their bounding rectangle; and the
// image size limit's message when its pixels would make too large an image.
void validateRegion(const CaptureRegion& region, const std::vector<CaptureDisplay>& displays);

} // namespace lumbex
