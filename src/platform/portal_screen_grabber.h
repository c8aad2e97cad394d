#pragma once

#include "platform/portal_screen_cast.h"
#include "platform/screen_grabber.h"
#include "platform/wayland_screen_copy.h"

#include <functional>
#include <memory>

namespace lumbex {

// Reads the screen of a Wayland session through the desktop portal's Screenshot interface on
// the session bus: non-interactive where the portal allows it, interactive otherwise. The whole
// desktop is one picture; the compositor's outputs divide it into displays (one display "screen"
// covering it when they cannot be read or do not fit it), and areas are cut from it. Geometry is
// in the picture's pixels: the layout's logical pixels scaled to the picture (the wlroots portal
// draws it at the largest output scale).
// Wayland gives no window list, so `windows()` is empty and `grabWindow` explains that window
// capture needs X11; there is no pointer image either. Recording is offered when the portal
// shares screens (its ScreenCast interface, asked once, on the first question); when it shares
// windows too and `chooseWindow` is given, `grabChosenWindow` calls it (ChooseWindow).
//
// The first `displays()` takes a picture for the layout; later ones answer from the latest
// picture unless the compositor's outputs have changed since. A picture serves the next grab made
// within a second and before the event loop turns (so that a command-line capture asks the portal
// once); any other grab takes a new picture.
//
// Where the compositor lets `copier` copy its outputs (wlroots ones do), the layout comes from the
// outputs alone and grabs read only the outputs they need, straight from the compositor, as long
// as that gives exactly the portal's picture of them: outputs drawn at the picture's scale and
// areas that lie on outputs. Any other grab, or a copy that fails, asks the portal. Without a
// copier every grab asks the portal.
using PortalWindowChooser = std::function<ScreenGrab(const ScreenCastOffer& offer)>;
std::unique_ptr<ScreenGrabber>
openPortalScreenGrabber(PortalWindowChooser chooseWindow = {},
                        std::unique_ptr<OutputCopier> copier = waylandOutputCopier());

} // namespace lumbex
