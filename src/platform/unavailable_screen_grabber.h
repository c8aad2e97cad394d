#pragma once

#include "platform/screen_grabber.h"

#include <QProcessEnvironment>

namespace lumbex {

// Stands in when the screen cannot be read: every call fails with the reason.
class UnavailableScreenGrabber final : public ScreenGrabber {
public:
    explicit UnavailableScreenGrabber(QString reason);

    // Why there is no screen to read in a session with this environment (no X display, or a
    // Wayland session that gives no X11 access), with what to do about it.
    static QString reasonFor(const QProcessEnvironment& environment);

    ScreenCapabilities capabilities() const override { return {}; }
    std::vector<ScreenDisplay> displays() override;
    std::vector<ScreenWindow> windows() override;
    ScreenGrab grabArea(const QRect& area) override;
    ScreenGrab grabDisplay(const ScreenDisplay& display) override;
    ScreenGrab grabWindow(quint32 id) override;
    std::optional<CursorImage> cursor() override;

private:
    [[noreturn]] void fail() const;

    QString reason_;
};

} // namespace lumbex
