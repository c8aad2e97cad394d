#include "platform/unavailable_screen_grabber.h"

#include "core/error.h"

namespace lumbex {

UnavailableScreenGrabber::UnavailableScreenGrabber(QString reason) : reason_(std::move(reason)) {}

QString UnavailableScreenGrabber::reasonFor(const QProcessEnvironment& environment) {
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland" ||
                         !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (wayland)
        return QStringLiteral(
            "This Wayland session gives Lumbex no access to the screen. Log in with an X11 "
            "session (“on Xorg”), or start Xwayland and set DISPLAY, then try again.");
    return QStringLiteral("Lumbex needs an X11 display to capture the screen. Run it in an X11 "
                          "session, or set DISPLAY to a running X server, then try again.");
}

void UnavailableScreenGrabber::fail() const {
    throw LumbexError(reason_);
}

std::vector<ScreenDisplay> UnavailableScreenGrabber::displays() {
    fail();
}
std::vector<ScreenWindow> UnavailableScreenGrabber::windows() {
    fail();
}
ScreenGrab UnavailableScreenGrabber::grabArea(const QRect&) {
    fail();
}
ScreenGrab UnavailableScreenGrabber::grabDisplay(const ScreenDisplay&) {
    fail();
}
ScreenGrab UnavailableScreenGrabber::grabWindow(quint32) {
    fail();
}
std::optional<CursorImage> UnavailableScreenGrabber::cursor() {
    fail();
}

} // namespace lumbex
