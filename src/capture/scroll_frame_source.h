#pragma once

#include <QImage>

namespace lumbex {

// The area chosen for a scrolling capture, grabbed on request. The session calls `grab` on its
// own thread, four times a second while capturing, so an implementation must return quickly.
class ScrollFrameSource {
public:
    virtual ~ScrollFrameSource() = default;

    // One image of the area at the display's pixel scale, without Lumbex's own windows. Throws
    // LumbexError with the message to show when the area can no longer be captured (for example
    // "Keep the scrolling area on one display.").
    virtual QImage grab() = 0;
};

} // namespace lumbex
