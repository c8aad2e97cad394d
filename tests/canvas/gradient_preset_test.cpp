#include "canvas/gradient_preset.h"

#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

ImageBackground background(BackgroundStyle style, const char* color, const char* secondary) {
    ImageBackground b;
    b.style = style;
    b.color = QString::fromLatin1(color);
    b.secondaryColor = QString::fromLatin1(secondary);
    return b;
}

int distance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

TEST(GradientPreset, MatchesOnlyAGradientWithBothColoursInAnyCase) {
    const GradientPreset& cloud = GradientPreset::all().front();
    const struct {
        const char* name;
        ImageBackground background;
        bool matches;
    } cases[] = {
        {"exact", background(BackgroundStyle::Gradient, "#E8EDF5", "#B6C9EF"), true},
        {"lower case", background(BackgroundStyle::Gradient, "#e8edf5", "#b6c9ef"), true},
        {"solid style", background(BackgroundStyle::Solid, "#E8EDF5", "#B6C9EF"), false},
        {"swapped colours", background(BackgroundStyle::Gradient, "#B6C9EF", "#E8EDF5"), false},
        {"other start", background(BackgroundStyle::Gradient, "#E8EDF6", "#B6C9EF"), false},
        {"no number sign", background(BackgroundStyle::Gradient, "E8EDF5", "B6C9EF"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cloud.matches(c.background), c.matches) << c.name;
}

TEST(GradientPreset, EachBackgroundMatchesAtMostItsOwnPreset) {
    const auto& all = GradientPreset::all();
    for (const GradientPreset& preset : all) {
        ImageBackground b;
        b.style = BackgroundStyle::Gradient;
        b.color = preset.start.toLower();
        b.secondaryColor = preset.end.toLower();
        const auto matching =
            std::count_if(all.begin(), all.end(), [&](const auto& p) { return p.matches(b); });
        EXPECT_EQ(matching, 1) << preset.name.toStdString();
    }
}

TEST(GradientPreset, SwatchIsA26By16RoundedGradient) {
    const GradientPreset& preset = GradientPreset::all().back();
    const QImage swatch = preset.image();
    EXPECT_EQ(swatch.size(), QSize(26, 16));
    for (const QPoint corner : {QPoint(0, 0), QPoint(25, 0), QPoint(0, 15), QPoint(25, 15)})
        EXPECT_EQ(swatch.pixelColor(corner).alpha(), 0) << corner.x() << ", " << corner.y();
    // Along the edges away from the corners the swatch is opaque.
    for (const QPoint p : {QPoint(13, 0), QPoint(0, 8), QPoint(25, 8), QPoint(13, 15)})
        EXPECT_EQ(swatch.pixelColor(p).alpha(), 255) << p.x() << ", " << p.y();
    // Near the top-left and bottom-right ends the colours approach start and end.
    const QColor start = QColor::fromString(preset.start), end = QColor::fromString(preset.end);
    const QColor nearStart = swatch.pixelColor(2, 2), nearEnd = swatch.pixelColor(23, 13);
    EXPECT_LT(distance(nearStart, start), distance(nearStart, end));
    EXPECT_LT(distance(nearEnd, end), distance(nearEnd, start));
    EXPECT_LE(distance(nearStart, start), distance(start, end) / 4);
    EXPECT_LE(distance(nearEnd, end), distance(start, end) / 4);
}

TEST(GradientPreset, DrawFillsOnlyTheGivenRect) {
    const GradientPreset& preset = GradientPreset::all()[6];
    QImage target(80, 50, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    preset.draw(painter, QRectF(10, 10, 62, 32));
    painter.end();
    for (const QPoint p : {QPoint(9, 25), QPoint(72, 25), QPoint(40, 9), QPoint(40, 42)})
        EXPECT_EQ(target.pixelColor(p).alpha(), 0) << p.x() << ", " << p.y();
    for (const QPoint p : {QPoint(10, 25), QPoint(71, 25), QPoint(40, 10), QPoint(40, 41)})
        EXPECT_EQ(target.pixelColor(p).alpha(), 255) << p.x() << ", " << p.y();
    EXPECT_EQ(target.pixelColor(10, 10).alpha(), 0);
}

} // namespace
} // namespace lumbex
