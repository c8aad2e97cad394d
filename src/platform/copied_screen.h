#pragma once

#include "platform/screen_grabber.h"
#include "platform/wayland_screen_copy.h"

#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// The grabs of a Wayland desktop that straight copies of the compositor's outputs can answer with
// exactly what the portal's screenshot of the whole desktop gives: the same layout (the outputs'
// bounding box at the largest output scale, see displaysInPicture) and the same pixels. That holds
// for an output drawn at that largest scale (turned or flipped as it may be), and for an area that
// lies on such outputs. Everything else answers nothing, for the portal to take over: no copies
// offered, outputs that do not describe the desktop, another scale, a failed copy, a layout that
// changed since.
class CopiedScreen {
public:
    explicit CopiedScreen(std::unique_ptr<OutputCopier> copier) : copier_(std::move(copier)) {}

    std::optional<std::vector<ScreenDisplay>> displays();
    // Reads only the outputs of these displays.
    std::optional<std::vector<ScreenGrab>> grabDisplays(const std::vector<ScreenDisplay>& wanted);
    // Reads only the outputs the area touches.
    std::optional<ScreenGrab> grabArea(const QRect& area);

private:
    std::unique_ptr<OutputCopier> copier_;
};

} // namespace lumbex
