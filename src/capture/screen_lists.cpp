#include "capture/screen_lists.h"

#include "capture/capture_coordinates.h"

namespace lumbex {
namespace {

Rect rect(const QRect& r) {
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

} // namespace

std::vector<CaptureDisplay> captureDisplays(const std::vector<ScreenDisplay>& displays) {
    std::vector<CaptureDisplay> out;
    for (const ScreenDisplay& d : displays)
        out.push_back(
            {d.name, rect(d.geometry), rect(d.geometry), 1.0, double(d.rotation), d.primary});
    return sortedDisplays(std::move(out));
}

std::vector<CaptureWindow> captureWindows(const std::vector<ScreenWindow>& windows,
                                          qint32 ownProcess) {
    std::vector<CaptureWindow> out;
    for (const ScreenWindow& w : windows) {
        if (w.processID == ownProcess || w.frame.width() < 2 || w.frame.height() < 2)
            continue;
        QString title = w.owner.isEmpty() ? QStringLiteral("Window") : w.owner;
        if (!w.title.isEmpty())
            title += QStringLiteral(" · ") + w.title;
        out.push_back({w.id, w.processID, title, rect(w.frame)});
    }
    return out;
}

} // namespace lumbex
