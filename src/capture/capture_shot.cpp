#include "capture/capture_shot.h"

#include "capture/capture_composition.h"
#include "capture/capture_coordinates.h"
#include "capture/capture_png.h"
#include "capture/screen_lists.h"
#include "core/error.h"

#include <QLocale>
#include <algorithm>

namespace lumbex {
namespace {

QRect pixelRect(const Rect& rect) {
    const Rect r = rect.roundedOut();
    return QRect(int(r.x), int(r.y), int(r.width), int(r.height));
}

Rect pointRect(const QRect& r) {
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

QString displayChanged() {
    return QStringLiteral("The selected display changed. Start a new capture.");
}

ScreenGrab grab(const CaptureSelection& selection, ScreenGrabber& screen) {
    if (const auto* region = std::get_if<CaptureRegion>(&selection))
        return screen.grabArea(pixelRect(region->rect));
    if (const auto* window = std::get_if<CaptureWindow>(&selection))
        return window->id == kWindowChosenInDialog ? screen.grabChosenWindow()
                                                   : screen.grabWindow(window->id);
    const auto& display = std::get<CaptureDisplay>(selection);
    for (const ScreenDisplay& candidate : screen.displays())
        if (candidate.name == display.id)
            return screen.grabDisplay(candidate);
    throw LumbexError(displayChanged());
}

} // namespace

void validateSelection(const CaptureSelection& selection, ScreenGrabber& screen,
                       qint32 ownProcess) {
    if (const auto* region = std::get_if<CaptureRegion>(&selection)) {
        validateRegion(*region, captureDisplays(screen.displays()));
    } else if (const auto* window = std::get_if<CaptureWindow>(&selection)) {
        // Chosen only when it is read.
        if (window->id == kWindowChosenInDialog)
            return;
        const std::vector<CaptureWindow> windows = captureWindows(screen.windows(), ownProcess);
        if (std::none_of(windows.begin(), windows.end(), [&](const CaptureWindow& w) {
                return w.id == window->id && w.processID == window->processID;
            }))
            throw LumbexError(QStringLiteral("That window is no longer visible. Select it again."));
    } else {
        const std::vector<CaptureDisplay> displays = captureDisplays(screen.displays());
        if (std::find(displays.begin(), displays.end(), std::get<CaptureDisplay>(selection)) ==
            displays.end())
            throw LumbexError(displayChanged());
    }
}

CaptureShot takePicture(const CaptureSelection& selection, ScreenGrabber& screen,
                        const CaptureOptions& options) {
    ScreenGrab shot = grab(selection, screen);
    const Rect rect = pointRect(QRect(shot.origin, shot.image.size()));
    if (options.includeCursor)
        if (const std::optional<CursorImage> cursor = screen.cursor())
            shot.image = withCursor(shot, *cursor);
    if (options.windowShadow && std::holds_alternative<CaptureWindow>(selection))
        shot.image = withWindowShadow(shot.image);
    return {encodeCapturePng(shot.image), shot.image.size(), rect};
}

QString captureName(const QDateTime& moment) {
    // The application's texts are English, so is the date in a new note's name.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Capture ") + english.toString(moment, QStringLiteral("MMM d, yyyy")) +
           QStringLiteral(" at ") + english.toString(moment, QStringLiteral("h:mm AP"));
}

} // namespace lumbex
