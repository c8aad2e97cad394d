#pragma once

#include "platform/screen_grabber.h"

#include <mutex>

namespace lumbex::test {

// A screen held in memory: one desktop image covering every display, a list of windows and a
// pointer. Grabs crop the desktop; `failure` makes every call throw it, as an unavailable or
// vanished screen does. Safe to call from a worker thread while the test waits.
class FakeScreenGrabber final : public ScreenGrabber {
public:
    explicit FakeScreenGrabber(QImage desktop);

    QImage desktop;
    std::vector<ScreenDisplay> displayList;
    std::vector<ScreenWindow> windowList;
    std::optional<CursorImage> pointer;
    std::optional<QString> failure;
    int grabCount = 0;
    // When set, the capabilities reported instead of everything.
    std::optional<ScreenCapabilities> offered;
    // What the desktop's dialog gives grabChosenWindow: this picture, or a cancelled choice.
    std::optional<QImage> chosenWindow;
    int chooseCount = 0;

    // Everything while no failure is set.
    ScreenCapabilities capabilities() const override;
    std::vector<ScreenDisplay> displays() override;
    std::vector<ScreenWindow> windows() override;
    ScreenGrab grabArea(const QRect& area) override;
    ScreenGrab grabDisplay(const ScreenDisplay& display) override;
    ScreenGrab grabWindow(quint32 id) override;
    ScreenGrab grabChosenWindow() override;
    std::optional<CursorImage> cursor() override;

private:
    ScreenGrab crop(const QRect& area);
    void check() const;

    mutable std::recursive_mutex mutex_;
};

// A desktop whose every pixel tells where it is: red = x % 256, green = y % 256, blue = x / 256
// * 16 + y / 256, so a crop can be checked against its origin.
QImage positionCodedDesktop(QSize size);
QRgb positionCode(int x, int y);

} // namespace lumbex::test
