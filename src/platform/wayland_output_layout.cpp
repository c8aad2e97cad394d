#include "platform/wayland_output_layout.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace lumbex {
namespace {

std::vector<ScreenDisplay> wholePicture(QSize picture) {
    return {{QStringLiteral("screen"), QRect(QPoint(), picture), 0, true}};
}

bool describesOutputs(const std::vector<WaylandOutput>& outputs) {
    if (outputs.empty())
        return false;
    std::set<QString> names;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const WaylandOutput& output = outputs[i];
        if (output.name.isEmpty() || !names.insert(output.name).second || output.logical.isEmpty())
            return false;
        for (size_t j = 0; j < i; ++j)
            if (outputs[j].logical.intersects(output.logical))
                return false;
    }
    return true;
}

} // namespace

QRect outputLogicalRect(QPoint position, QSize mode, int scale, int transform) {
    if (scale < 1 || mode.isEmpty())
        return QRect(position, QSize(0, 0));
    // Odd transforms (90 and 270 degrees, flipped or not) swap the sides.
    const QSize turned = transform % 2 == 1 ? mode.transposed() : mode;
    return QRect(position, QSize(turned.width() / scale, turned.height() / scale));
}

int outputRotation(int transform) {
    return (transform & 3) * 90;
}

std::vector<ScreenDisplay> displaysInPicture(const std::vector<WaylandOutput>& outputs,
                                             QSize picture) {
    if (picture.isEmpty() || !describesOutputs(outputs))
        return wholePicture(picture);
    QRect bounds;
    for (const WaylandOutput& output : outputs)
        bounds = bounds.united(output.logical);
    const double scaleX = double(picture.width()) / bounds.width();
    const double scaleY = double(picture.height()) / bounds.height();
    // A picture drawn at one scale differs from the layout in both directions alike, up to the
    // rounding of its sides to whole pixels.
    if (std::abs(scaleX * bounds.height() - picture.height()) > 1 ||
        std::abs(scaleY * bounds.width() - picture.width()) > 1)
        return wholePicture(picture);

    // Edges rather than sizes are scaled, so that neighbours share their edge exactly.
    const auto edge = [](int logical, int origin, double scale, int limit) {
        return std::clamp(int(std::lround((logical - origin) * scale)), 0, limit);
    };
    std::vector<ScreenDisplay> displays;
    for (const WaylandOutput& output : outputs) {
        const QRect& r = output.logical;
        const int left = edge(r.left(), bounds.left(), scaleX, picture.width());
        const int top = edge(r.top(), bounds.top(), scaleY, picture.height());
        const int right = edge(r.left() + r.width(), bounds.left(), scaleX, picture.width());
        const int bottom = edge(r.top() + r.height(), bounds.top(), scaleY, picture.height());
        if (right <= left || bottom <= top)
            return wholePicture(picture);
        displays.push_back({output.name, QRect(left, top, right - left, bottom - top),
                            output.rotation, displays.empty()});
    }
    return displays;
}

QSize desktopPictureSize(const std::vector<WaylandOutput>& outputs) {
    QRect bounds;
    int scale = 1;
    for (const WaylandOutput& output : outputs) {
        bounds = bounds.united(output.logical);
        scale = std::max(scale, output.scale);
    }
    return bounds.size() * scale;
}

} // namespace lumbex
