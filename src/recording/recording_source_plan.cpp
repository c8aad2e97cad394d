#include "recording/recording_source_plan.h"

#include "capture/capture_coordinates.h"
#include "core/error.h"
#include "recording/recording_output_size.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

QRect pixelRect(const Rect& rect) {
    return QRect(int(std::lround(rect.x)), int(std::lround(rect.y)), int(std::lround(rect.width)),
                 int(std::lround(rect.height)));
}

QSize pixelSize(const Rect& rect, double scale) {
    return QSize(int(std::lround(rect.width * scale)), int(std::lround(rect.height * scale)));
}

struct Source {
    std::variant<QRect, quint32> source;
    QSize pixels;
};

Source regionSource(const CaptureRegion& region, const std::vector<CaptureDisplay>& displays) {
    const auto recorded =
        std::find_if(region.displays.begin(), region.displays.end(),
                     [&](const CaptureDisplay& d) { return d.quartzFrame.contains(region.rect); });
    if (recorded == region.displays.end())
        throw LumbexError(QStringLiteral("Keep the recording area on one display."));
    const bool connected =
        std::any_of(displays.begin(), displays.end(), [&](const CaptureDisplay& d) {
            return d.id == recorded->id && d.quartzFrame.contains(region.rect);
        });
    if (!connected)
        throw LumbexError(
            QStringLiteral("Choose the display containing the capture area, then try again."));
    validateRegion(region, sortedDisplays(displays));
    return {pixelRect(region.rect), pixelSize(region.rect, recorded->scale)};
}

Source displaySource(const CaptureDisplay& chosen, const std::vector<CaptureDisplay>& displays) {
    const auto current = std::find_if(displays.begin(), displays.end(),
                                      [&](const CaptureDisplay& d) { return d.id == chosen.id; });
    if (current == displays.end())
        throw LumbexError(QStringLiteral("The recording source is unavailable."));
    return {pixelRect(current->quartzFrame), pixelSize(current->quartzFrame, current->scale)};
}

Source windowSource(const CaptureWindow& chosen, const std::vector<CaptureWindow>& windows) {
    const auto current = std::find_if(windows.begin(), windows.end(), [&](const CaptureWindow& w) {
        return w.id == chosen.id && (chosen.processID == 0 || w.processID == chosen.processID);
    });
    if (current == windows.end())
        throw LumbexError(QStringLiteral("The selected window is no longer available."));
    return {chosen.id, pixelSize(current->frame, 1)};
}

} // namespace

RecordingSourcePlan planRecordingSource(const CaptureSelection& selection,
                                        const std::vector<CaptureDisplay>& displays,
                                        const std::vector<CaptureWindow>& windows,
                                        std::optional<int> longestSide,
                                        std::optional<QSize> keepSize) {
    if (displays.empty())
        throw LumbexError(QStringLiteral("The recording source is unavailable."));
    const Source source = std::visit(
        [&](const auto& chosen) -> Source {
            using Chosen = std::decay_t<decltype(chosen)>;
            if constexpr (std::is_same_v<Chosen, CaptureRegion>)
                return regionSource(chosen, displays);
            else if constexpr (std::is_same_v<Chosen, CaptureDisplay>)
                return displaySource(chosen, displays);
            else
                return windowSource(chosen, windows);
        },
        selection);
    QSize output;
    if (keepSize) {
        output = *keepSize;
    } else {
        const RecordingOutputSize size = RecordingOutputSize::make(
            source.pixels.width(), source.pixels.height(), longestSide, true);
        output = QSize(size.width, size.height);
    }
    return {source.source, source.pixels, output};
}

} // namespace lumbex
