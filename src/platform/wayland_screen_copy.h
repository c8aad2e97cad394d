#pragma once

#include "platform/wayland_output_layout.h"

#include <QImage>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// One round of copies: the compositor's outputs at that moment, and a picture of each output
// asked for, in the order asked (a null image for one that is gone or whose copy failed).
struct OutputCopies {
    std::vector<WaylandOutput> outputs;
    std::vector<QImage> pictures;
};

// Reads outputs' pixels straight from the compositor, without the pointer. Blocks for a few
// round trips and at most a couple of frames; any thread.
class OutputCopier {
public:
    virtual ~OutputCopier() = default;
    // The compositor's outputs when it offers copies, nothing when it does not (or there is no
    // compositor to ask).
    virtual std::optional<std::vector<WaylandOutput>> outputs() = 0;
    // Pictures of the named outputs as each shows them (Format_RGB32, in the output's own
    // pixels, turned as its transform says), all asked for at once; nothing when the compositor
    // offers no copies.
    virtual std::optional<OutputCopies> copy(const QStringList& names) = 0;
};

// Copies over the wlroots screen-copy protocol (zwlr_screencopy_manager_v1) into shared memory,
// on a short connection of its own to WAYLAND_DISPLAY each time.
std::unique_ptr<OutputCopier> waylandOutputCopier();

} // namespace lumbex
