#include "canvas/gradient_preset.h"

#include "geometry/colors.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace lumbex {
namespace {

constexpr double kSwatchCornerRadius = 4;
constexpr QSize kSwatchSize(26, 16);

GradientPreset preset(const char* name, const char* start, const char* end) {
    return {QString::fromUtf8(name), QString::fromLatin1(start), QString::fromLatin1(end)};
}

} // namespace

const std::vector<GradientPreset>& GradientPreset::all() {
    static const std::vector<GradientPreset> presets{
        preset("Cloud", "#E8EDF5", "#B6C9EF"),      preset("Pearl", "#F5EFE7", "#D4CEDF"),
        preset("Linen", "#F4E8D7", "#D5BAA1"),      preset("Silver", "#E3E8EC", "#A6B4C4"),
        preset("Glacier", "#D8F4F1", "#A4C5ED"),    preset("Sky", "#C4E7FF", "#819EEB"),
        preset("Lagoon", "#82E0D7", "#3B87B9"),     preset("Ocean", "#69C9E6", "#3861B8"),
        preset("Periwinkle", "#B7C5FC", "#8C85D7"), preset("Iris", "#CFB8F3", "#898CD9"),
        preset("Wisteria", "#E4CBF4", "#BC93D2"),   preset("Orchid", "#DCA6D5", "#9372B8"),
        preset("Mint", "#D5F1DC", "#93CDBD"),       preset("Sage", "#DDE7C9", "#9DB79E"),
        preset("Meadow", "#C5DF97", "#70AD98"),     preset("Fern", "#93C8AB", "#477A73"),
        preset("Rose", "#F4CED9", "#DDA4B9"),       preset("Blossom", "#F9DADB", "#DCB4E5"),
        preset("Apricot", "#F9DFC0", "#EEAD9A"),    preset("Coral", "#F6C3A7", "#DB8B9F"),
        preset("Honey", "#F4E4AC", "#DEA675"),      preset("Dune", "#EBD6B4", "#BD9D8D"),
        preset("Terracotta", "#E8B593", "#B87570"), preset("Sunset", "#F1AC85", "#A875B2"),
        preset("Dusk", "#AF96C9", "#586A96"),       preset("Twilight", "#7476BD", "#384E7A"),
        preset("Aurora", "#74BBAE", "#6C62A8"),     preset("Blue Hour", "#5483A9", "#293D67"),
        preset("Forest", "#527E6E", "#253E43"),     preset("Plum", "#896386", "#483958"),
        preset("Ember", "#AD7564", "#57444F"),      preset("Graphite", "#626C80", "#2D3341"),
    };
    return presets;
}

bool GradientPreset::matches(const ImageBackground& background) const {
    return background.style == BackgroundStyle::Gradient && background.color.toUpper() == start &&
           background.secondaryColor.toUpper() == end;
}

void GradientPreset::draw(QPainter& painter, const QRectF& rect) const {
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, backgroundColor(start).value_or(QColor(Qt::white)));
    gradient.setColorAt(1, backgroundColor(end).value_or(QColor(Qt::white)));
    QPainterPath shape;
    shape.addRoundedRect(rect, kSwatchCornerRadius, kSwatchCornerRadius);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, gradient);
    painter.restore();
}

QImage GradientPreset::image() const {
    QImage swatch(kSwatchSize, QImage::Format_ARGB32_Premultiplied);
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    draw(painter, QRectF(QPointF(0, 0), kSwatchSize));
    return swatch;
}

} // namespace lumbex
