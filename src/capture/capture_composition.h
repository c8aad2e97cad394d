#pragma once

#include "platform/screen_grabber.h"

#include <QImage>

namespace lumbex {

// The grab with the pointer drawn where it was: its hot spot at `cursor.position` (desktop
// pixels). A pointer outside the grab leaves it unchanged.
QImage withCursor(const ScreenGrab& grab, const CursorImage& cursor);

// The soft shadow a window casts, drawn the way window screenshots carry it: a transparent
// margin around the window holding a blurred, slightly lowered shadow of its rectangle. X11
// window managers draw no shadows into the screen (a compositor would), so it is drawn here.
namespace WindowShadow {
constexpr double kBlur = 12;     // Gaussian sigma, pixels
constexpr int kOffsetY = 10;     // the shadow falls below the window
constexpr double kOpacity = 0.5; // where the shadow is darkest
// Transparent space around the window: three sigmas hold all but a trace of the shadow.
constexpr int kMarginSide = 36;
constexpr int kMarginTop = kMarginSide - kOffsetY;
constexpr int kMarginBottom = kMarginSide + kOffsetY;
} // namespace WindowShadow

// The window image on a transparent canvas with the shadow (ARGB32 premultiplied).
QImage withWindowShadow(const QImage& window);

} // namespace lumbex
