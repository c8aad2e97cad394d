#include "canvas/base_layer.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

// Found by argument-dependent lookup from gtest's messages.
static std::ostream& operator<<(std::ostream& out, QPoint p) {
    return out << p.x() << ", " << p.y();
}

namespace lumbex {
namespace {

// Every pixel differs from its neighbours, so a shifted, flipped or resampled copy shows.
QImage patterned(int width, int height, bool translucent = false) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int alpha = translucent && (x + y) % 3 == 0 ? 128 : 255;
            image.setPixel(
                x, y, qPremultiply(qRgba(x * 37 % 256, y * 53 % 256, x * y * 11 % 256, alpha)));
        }
    return image;
}

QImage filled(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

ImageBackground solid(const char* color, double padding, double radius, bool shadow,
                      const char* secondary = "") {
    return {*secondary ? BackgroundStyle::Gradient : BackgroundStyle::Solid,
            QString::fromLatin1(color),
            QString::fromLatin1(secondary),
            padding,
            radius,
            shadow};
}

Media media(int width, int height, std::optional<ImageBackground> background,
            std::optional<Rect> crop = std::nullopt) {
    Media m;
    m.width = width;
    m.height = height;
    m.crop = crop;
    m.background = background;
    return m;
}

// The base layer drawn into a transparent image covering `output` (by default the visible rect
// grown by the padding) in source pixels, with the nearest-neighbour interpolation of full-size
// renders.
struct Layer {
    QImage image;
    Rect output;
    // The pixel at source pixel p, unpremultiplied.
    QColor at(QPoint p) const { return image.pixelColor(p - QPoint(int(output.x), int(output.y))); }
};

Layer render(const QImage& original, const Media& m, std::optional<Rect> output = {}) {
    if (!output)
        output = m.visibleRect().outset(m.background ? m.background->padding : 0);
    QImage image =
        filled(int(std::ceil(output->width)), int(std::ceil(output->height)), Qt::transparent);
    QPainter painter(&image);
    painter.translate(-output->x, -output->y);
    drawBaseLayer(painter, original, m, *output);
    return {image, *output};
}

::testing::AssertionResult near(QColor actual, QColor expected, int tolerance) {
    const int worst = std::max(
        {std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
         std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    return (worst <= tolerance ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
           << actual.name(QColor::HexArgb).toStdString() << " vs "
           << expected.name(QColor::HexArgb).toStdString();
}

// Every pixel of `target` is the original's pixel, `zoom` times larger and placed at `origin`, or
// transparent outside it.
void expectPlaced(const QImage& target, const QImage& original, QPoint origin, int zoom) {
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x) {
            const QPoint s = QPoint(x, y) - origin;
            const bool inside = QRect(QPoint(), original.size() * zoom).contains(s);
            ASSERT_EQ(target.pixel(x, y), inside ? original.pixel(s.x() / zoom, s.y() / zoom) : 0)
                << QPoint(x, y);
        }
}

TEST(DrawImage, DrawsUprightIntoTheRectWithTheCallersInterpolation) {
    const QImage original = patterned(2, 3);
    QImage target = filled(8, 10, Qt::transparent);
    QPainter painter(&target);
    const QPainter::RenderHints hints = painter.renderHints();
    drawImage(painter, original, Rect{2, 1, 4, 6});
    EXPECT_EQ(painter.renderHints(), hints);
    painter.end();
    expectPlaced(target, original, {2, 1}, 2);
}

TEST(DrawBaseLayer, WithoutBackgroundCopiesTheOriginalPixelsIntoAGrownOutput) {
    const QImage original = patterned(40, 30, true);
    expectPlaced(render(original, media(40, 30, std::nullopt), Rect{-7, -5, 60, 41}).image,
                 original, {7, 5}, 1);
}

TEST(DrawBaseLayer, RestoresThePainterStateAndStaysInsideItsClip) {
    Layer layer{filled(70, 60, Qt::transparent), {-20, -20, 70, 60}};
    QPainter painter(&layer.image);
    painter.translate(20, 20);
    painter.setClipRect(QRectF(-10, -10, 20, 15));
    const QTransform transform = painter.transform();
    const QPainterPath clip = painter.clipPath();
    drawBaseLayer(painter, filled(30, 20, Qt::red), media(30, 20, solid("#336699", 20, 8, true)),
                  layer.output);
    EXPECT_EQ(painter.transform(), transform);
    EXPECT_EQ(painter.clipPath(), clip);
    EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
    painter.end();
    for (const QPoint p : {QPoint(-15, -15), QPoint(25, 3), QPoint(5, 12)})
        EXPECT_EQ(layer.at(p).alpha(), 0) << p;
    EXPECT_EQ(layer.at({-8, -8}).alpha(), 255);
    EXPECT_EQ(layer.at({5, 3}), QColor(Qt::red));
}

TEST(DrawBaseLayer, FillsThePaddingWithTheFirstColourWhenNoGradientApplies) {
    ImageBackground solidWithSecond = solid("#336699", 30, 0, false, "#FF0000");
    solidWithSecond.style = BackgroundStyle::Solid;
    const std::pair<ImageBackground, QColor> cases[] = {
        {solid("#336699", 30, 0, false), QColor(0x33, 0x66, 0x99)},
        {solid("red", 30, 0, false), QColor(Qt::white)},
        {solid("#336699", 30, 0, false, "#12345"), QColor(0x33, 0x66, 0x99)},
        {solidWithSecond, QColor(0x33, 0x66, 0x99)},
    };
    for (const auto& [background, expected] : cases) {
        SCOPED_TRACE(expected.name().toStdString());
        const Layer layer = render(filled(50, 40, Qt::black), media(50, 40, background));
        // Corners and the pixels right beside the image, where a stray shadow would show.
        for (const QPoint p : {QPoint(-30, -30), QPoint(79, 69), QPoint(-1, 20), QPoint(25, 40)})
            EXPECT_EQ(layer.at(p), expected) << p;
        EXPECT_EQ(layer.at({25, 20}), QColor(Qt::black));
    }
}

TEST(DrawBaseLayer, GradientRunsFromTheOutputsTopLeftToItsBottomRight) {
    const QColor start(0x20, 0x40, 0x80), end(0xE0, 0xC0, 0x40);
    const Media m = media(100, 50, solid("#204080", 50, 0, false, "#e0c040"));
    const QImage image = render(filled(100, 50, Qt::black), m).image;
    ASSERT_EQ(image.size(), QSize(200, 150));
    const auto mix = [](double a, double b, double t) { return a + (b - a) * t; };
    // A pixel centre's place along the gradient is its projection onto the diagonal.
    for (const QPoint p : {QPoint(199, 0), QPoint(0, 149), QPoint(20, 120)}) {
        const double t = ((p.x() + 0.5) * 200 + (p.y() + 0.5) * 150) / 62500;
        const QColor expected =
            QColor::fromRgbF(mix(start.redF(), end.redF(), t), mix(start.greenF(), end.greenF(), t),
                             mix(start.blueF(), end.blueF(), t));
        EXPECT_TRUE(near(image.pixelColor(p), expected, 3)) << p;
    }
    EXPECT_TRUE(near(image.pixelColor(0, 0), start, 1));
    EXPECT_TRUE(near(image.pixelColor(199, 149), end, 1));
}

TEST(DrawBaseLayer, RoundsTheImageCornersByTheRadiusUpToHalfTheShorterSide) {
    const auto corner = [](double radius, QPoint p) {
        const Media m = media(100, 60, solid("#FFFFFF", 20, radius, false));
        return render(filled(100, 60, Qt::red), m).at(p);
    };
    EXPECT_EQ(corner(0, {0, 0}), QColor(Qt::red));
    EXPECT_EQ(corner(16, {0, 0}), QColor(Qt::white));
    EXPECT_EQ(corner(20, {7, 7}), QColor(Qt::red));
    // The shadow follows the same limited shape.
    const auto withRadius = [](double radius) {
        return render(patterned(100, 60), media(100, 60, solid("#FFFFFF", 10, radius, true))).image;
    };
    const QImage limit = withRadius(30);
    EXPECT_EQ(withRadius(500), limit);
    EXPECT_NE(withRadius(29), limit);
}

TEST(DrawBaseLayer, CropShowsOnlyTheVisibleRectOfTheOriginal) {
    const QImage original = patterned(100, 60);
    const Rect crop{20, 10, 40, 30};
    const Layer layer = render(original, media(100, 60, solid("#336699", 20, 0, false), crop));
    ASSERT_EQ(layer.image.size(), QSize(80, 70));
    for (int y = -10; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool visible = crop.contains(Point{x + 0.5, y + 0.5});
            ASSERT_EQ(layer.at({x, y}),
                      visible ? original.pixelColor(x, y) : QColor(0x33, 0x66, 0x99))
                << QPoint(x, y);
        }
}

TEST(DrawBaseLayer, ShadowIsABlurredCopyOfTheShapeRaisedBySixPixelsBehindTheImage) {
    const Layer layer =
        render(filled(200, 100, Qt::red), media(200, 100, solid("#FFFFFF", 64, 0, true)));
    // Black at 24 % times a straight edge blurred with σ = 9; `inside` runs from the pixel centre
    // to the shadow's edge at y −6, y 94, x 0 or x 200 (negative outside).
    const std::pair<QPoint, double> probes[] = {
        {{100, -1}, 5.5},
        {{100, 100}, -6.5},
        {{100, 109}, -15.5},
        {{-1, 50}, -0.5},
    };
    for (const auto& [p, inside] : probes) {
        const double coverage = 0.5 * std::erfc(-inside / (9 * std::sqrt(2.0)));
        const int grey = int(std::lround(255 * (1 - 0.24 * coverage)));
        EXPECT_TRUE(near(layer.at(p), QColor(grey, grey, grey), 3)) << p;
    }
    for (const QPoint p : {QPoint(-64, -64), QPoint(100, -50), QPoint(100, 150)})
        EXPECT_EQ(layer.at(p), QColor(Qt::white)) << p;
    for (const QPoint p : {QPoint(100, 0), QPoint(0, 50)})
        EXPECT_EQ(layer.at(p), QColor(Qt::red)) << p;
}

} // namespace
} // namespace lumbex
