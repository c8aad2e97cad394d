#include "platform/copied_screen.h"

#include <QRegion>
#include <algorithm>
#include <cstring>

namespace lumbex {
namespace {

struct Layout {
    std::vector<ScreenDisplay> displays;
    int scale = 1; // the picture's: the largest output scale
};

// The portal's layout of these outputs, when they describe the desktop (otherwise the portal's
// picture is one display of its own making, which only the portal can give).
std::optional<Layout> layoutOf(const std::vector<WaylandOutput>& outputs) {
    Layout layout{displaysInPicture(outputs, desktopPictureSize(outputs)), 1};
    if (layout.displays.size() != outputs.size())
        return std::nullopt;
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (layout.displays[i].name != outputs[i].name)
            return std::nullopt;
        layout.scale = std::max(layout.scale, outputs[i].scale);
    }
    return layout;
}

// Whether a copy of this output is, pixel for pixel, its display in the portal's picture: drawn at
// the picture's scale (others are resampled there), and of the display's size.
bool copyIsDisplay(const WaylandOutput& output, const QImage& picture, const ScreenDisplay& display,
                   int scale) {
    return !picture.isNull() && output.scale == scale &&
           picture.size() == display.geometry.size() && picture.format() == QImage::Format_RGB32;
}

const WaylandOutput* outputNamed(const std::vector<WaylandOutput>& outputs, const QString& name) {
    const auto it = std::find_if(outputs.begin(), outputs.end(),
                                 [&](const WaylandOutput& o) { return o.name == name; });
    return it == outputs.end() ? nullptr : &*it;
}

} // namespace

std::optional<std::vector<ScreenDisplay>> CopiedScreen::displays() {
    const std::optional<std::vector<WaylandOutput>> outputs = copier_->outputs();
    if (!outputs)
        return std::nullopt;
    std::optional<Layout> layout = layoutOf(*outputs);
    if (!layout)
        return std::nullopt;
    return std::move(layout->displays);
}

std::optional<std::vector<ScreenGrab>>
CopiedScreen::grabDisplays(const std::vector<ScreenDisplay>& wanted) {
    QStringList names;
    for (const ScreenDisplay& display : wanted)
        names << display.name;
    const std::optional<OutputCopies> copies = copier_->copy(names);
    if (!copies)
        return std::nullopt;
    const std::optional<Layout> layout = layoutOf(copies->outputs);
    if (!layout || copies->pictures.size() != wanted.size())
        return std::nullopt;
    std::vector<ScreenGrab> grabs;
    for (size_t i = 0; i < wanted.size(); ++i) {
        const ScreenDisplay& display = wanted[i];
        // A display that is no longer where it was is the portal's to refuse.
        if (std::find(layout->displays.begin(), layout->displays.end(), display) ==
            layout->displays.end())
            return std::nullopt;
        const WaylandOutput* output = outputNamed(copies->outputs, display.name);
        if (!output || !copyIsDisplay(*output, copies->pictures[i], display, layout->scale))
            return std::nullopt;
        grabs.push_back({copies->pictures[i], display.geometry.topLeft()});
    }
    return grabs;
}

std::optional<ScreenGrab> CopiedScreen::grabArea(const QRect& area) {
    if (area.isEmpty())
        return std::nullopt;
    const std::optional<std::vector<ScreenDisplay>> layout = displays();
    if (!layout)
        return std::nullopt;
    std::vector<ScreenDisplay> touched;
    QRegion uncovered(area);
    for (const ScreenDisplay& display : *layout)
        if (display.geometry.intersects(area)) {
            touched.push_back(display);
            uncovered -= display.geometry;
        }
    // Parts on no output are the portal picture's own filling.
    if (!uncovered.isEmpty())
        return std::nullopt;
    const std::optional<std::vector<ScreenGrab>> grabs = grabDisplays(touched);
    if (!grabs)
        return std::nullopt;
    if (grabs->size() == 1)
        return ScreenGrab{grabs->front().image.copy(area.translated(-grabs->front().origin)),
                          area.topLeft()};
    QImage picture(area.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return std::nullopt;
    for (const ScreenGrab& grab : *grabs) {
        const QRect part = area.intersected(QRect(grab.origin, grab.image.size()));
        const QPoint from = part.topLeft() - grab.origin;
        const QPoint to = part.topLeft() - area.topLeft();
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(picture.scanLine(to.y() + y) + qsizetype(to.x()) * 4,
                        grab.image.constScanLine(from.y() + y) + qsizetype(from.x()) * 4,
                        size_t(part.width()) * 4);
    }
    return ScreenGrab{picture, area.topLeft()};
}

} // namespace lumbex
