#pragma once

#include "platform/x11_connection.h"

#include <QImage>
#include <QRect>

namespace lumbex::x11 {

// Reads rectangles of the root window into sRGB images. The screen's pixel format is checked
// once: 32-bit pixels in the usual 8-bit red, green and blue order (depth 24 or 32), which is
// what every current X server and Xvfb use.
class PixelReader {
public:
    // `shared`: the server offers MIT-SHM, so large reads can skip the socket.
    PixelReader(const Connection& connection, bool shared);

    // Through a shared memory segment when offered (falling back to the socket if the server
    // refuses it, as a remote server does); `area` lies inside the root window.
    QImage readShared(const QRect& area) const;
    // Through an ordinary GetImage reply over the socket.
    QImage read(const QRect& area) const;

private:
    void checkFormat() const;

    const Connection& connection_;
    bool shared_;
    QString unsupportedFormat_; // empty when the format is readable
};

} // namespace lumbex::x11
