#include "support/fake_screen_grabber.h"

#include "core/error.h"

namespace lumbex::test {

FakeScreenGrabber::FakeScreenGrabber(QImage image) : desktop(std::move(image)) {
    displayList.push_back({QStringLiteral("screen"), desktop.rect(), 0, true});
}

void FakeScreenGrabber::check() const {
    if (failure)
        throw LumbexError(*failure);
}

ScreenCapabilities FakeScreenGrabber::capabilities() const {
    const std::lock_guard lock(mutex_);
    if (failure)
        return {};
    return offered.value_or(ScreenCapability::ReadScreen | ScreenCapability::ReadWindows |
                            ScreenCapability::RecordScreen);
}

ScreenGrab FakeScreenGrabber::grabChosenWindow() {
    const std::lock_guard lock(mutex_);
    check();
    ++chooseCount;
    if (!chosenWindow)
        throw LumbexError(QStringLiteral("The choice was cancelled."), ECANCELED);
    return {*chosenWindow, QPoint()};
}

std::vector<ScreenDisplay> FakeScreenGrabber::displays() {
    const std::lock_guard lock(mutex_);
    check();
    return displayList;
}

std::vector<ScreenWindow> FakeScreenGrabber::windows() {
    const std::lock_guard lock(mutex_);
    check();
    return windowList;
}

ScreenGrab FakeScreenGrabber::crop(const QRect& area) {
    const std::lock_guard lock(mutex_);
    check();
    if (area.isEmpty() || !desktop.rect().contains(area))
        throw LumbexError(QStringLiteral("The area is outside the screen. Select it again."));
    ++grabCount;
    return {desktop.copy(area), area.topLeft()};
}

ScreenGrab FakeScreenGrabber::grabArea(const QRect& area) {
    return crop(area);
}

ScreenGrab FakeScreenGrabber::grabDisplay(const ScreenDisplay& display) {
    return crop(display.geometry);
}

ScreenGrab FakeScreenGrabber::grabWindow(quint32 id) {
    const std::lock_guard lock(mutex_);
    for (const ScreenWindow& window : windowList)
        if (window.id == id)
            return crop(window.frame & desktop.rect());
    throw LumbexError(QStringLiteral("That window is no longer visible. Select it again."));
}

std::optional<CursorImage> FakeScreenGrabber::cursor() {
    const std::lock_guard lock(mutex_);
    check();
    return pointer;
}

QRgb positionCode(int x, int y) {
    return qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
}

QImage positionCodedDesktop(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = positionCode(x, y);
    }
    return image;
}

} // namespace lumbex::test
