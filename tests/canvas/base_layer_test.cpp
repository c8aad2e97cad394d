#include "canvas/base_layer.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace lumbex {
namespace {

// Every pixel differs from its neighbours, so a shifted, flipped or resampled copy shows.
QImage patterned(int width, int height, bool translucent) {
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

Media media(int width, int height, std::optional<ImageBackground> background = std::nullopt,
            std::optional<Rect> crop = std::nullopt) {
    Media m;
    m.width = width;
    m.height = height;
    m.background = background;
    m.crop = crop;
    return m;
}

ImageBackground solid(const char* color, double padding, double cornerRadius, bool shadow) {
    ImageBackground background;
    background.style = BackgroundStyle::Solid;
    background.color = QString::fromLatin1(color);
    background.padding = padding;
    background.cornerRadius = cornerRadius;
    background.shadow = shadow;
    return background;
}

ImageBackground gradient(const char* start, const char* end, double padding) {
    ImageBackground background = solid(start, padding, 0, false);
    background.style = BackgroundStyle::Gradient;
    background.secondaryColor = QString::fromLatin1(end);
    return background;
}

// The output rectangle the renderer would use: the visible rect grown by the padding.
Rect paddedOutput(const Media& m) {
    return m.background ? m.visibleRect().outset(m.background->padding) : m.visibleRect();
}

// The base layer in a transparent image covering `output`, drawn through a painter in source
// pixels scaled by `scale`, with nearest-neighbour interpolation as full-size renders use.
QImage render(const QImage& original, const Media& m, const Rect& output, double scale = 1) {
    QImage image(int(std::ceil(output.width * scale)), int(std::ceil(output.height * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.translate(-output.x, -output.y);
    drawBaseLayer(painter, original, m, output);
    return image;
}

QImage render(const QImage& original, const Media& m) {
    return render(original, m, paddedOutput(m));
}

// The rendered pixel at source pixel (x, y), unpremultiplied.
QColor at(const QImage& rendered, const Rect& output, int x, int y) {
    return rendered.pixelColor(x - int(output.x), y - int(output.y));
}

QString describe(QColor color) {
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

::testing::AssertionResult near(QColor actual, QColor expected, int tolerance) {
    const int worst = std::max(
        {std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
         std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (worst <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << describe(actual).toStdString() << ", expected "
           << describe(expected).toStdString() << " ± " << tolerance;
}

QColor mix(QColor a, QColor b, double t) {
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * t)),
                  int(std::lround(a.green() + (b.green() - a.green()) * t)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

TEST(DrawImage, DrawsUprightIntoTheRectWithNearestNeighbourWhenAsked) {
    const QImage original = patterned(2, 3, false);
    QImage target(8, 10, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    const QPainter::RenderHints hints = painter.renderHints();
    drawImage(painter, original, Rect{2, 1, 4, 6});
    EXPECT_EQ(painter.renderHints(), hints);
    painter.end();

    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 7;
            EXPECT_EQ(target.pixel(x, y),
                      inside ? original.pixel((x - 2) / 2, (y - 1) / 2) : QRgb(0));
        }
}

TEST(DrawImage, KeepsTheCallersInterpolation) {
    const QImage original = patterned(4, 4, false);
    for (const bool smooth : {false, true}) {
        QImage target(16, 16, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        const QPainter::RenderHints hints = painter.renderHints();
        drawImage(painter, original, Rect{0, 0, 16, 16});
        EXPECT_EQ(painter.renderHints(), hints);
    }
}

TEST(DrawBaseLayer, WithoutBackgroundCopiesTheOriginalPixelsUnchanged) {
    const QImage original = patterned(40, 30, true);
    // The plain image, and an output grown by marks outside it (left and above, right and below).
    const Rect outputs[] = {{0, 0, 40, 30}, {-7, -5, 60, 41}, {0, 0, 53, 37}};
    for (const Rect& output : outputs) {
        SCOPED_TRACE(testing::Message() << output.x << ", " << output.y);
        const QImage rendered = render(original, media(40, 30), output);
        for (int y = int(output.y); y < int(output.y + output.height); ++y)
            for (int x = int(output.x); x < int(output.x + output.width); ++x) {
                const bool inside = x >= 0 && x < 40 && y >= 0 && y < 30;
                ASSERT_EQ(rendered.pixel(x - int(output.x), y - int(output.y)),
                          inside ? original.pixel(x, y) : QRgb(0))
                    << x << ", " << y;
            }
    }
}

TEST(DrawBaseLayer, RestoresThePainterState) {
    const QImage original = patterned(30, 20, false);
    const Media m = media(30, 20, solid("#336699", 10, 8, true));
    QImage target(50, 40, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    painter.translate(10, 10);
    painter.setClipRect(QRectF(-5, -5, 40, 30));
    painter.setOpacity(0.5);
    const QPainter::RenderHints hints = painter.renderHints();
    const QTransform transform = painter.transform();
    const QPainterPath clip = painter.clipPath();

    drawBaseLayer(painter, original, m, paddedOutput(m));

    EXPECT_EQ(painter.renderHints(), hints);
    EXPECT_EQ(painter.transform(), transform);
    EXPECT_EQ(painter.clipPath(), clip);
    EXPECT_EQ(painter.opacity(), 0.5);
}

TEST(DrawBaseLayer, StaysInsideTheCallersClip) {
    const QImage original = patterned(30, 20, false);
    const Media m = media(30, 20, solid("#336699", 20, 8, true));
    const Rect output = paddedOutput(m);
    QImage target(int(output.width), int(output.height), QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    painter.translate(-output.x, -output.y);
    painter.setClipRect(QRectF(-10, -10, 20, 15));
    drawBaseLayer(painter, original, m, output);
    painter.end();

    // Background, shadow and image are all cut at the clip's edges.
    for (const QPoint p : {QPoint(-15, -15), QPoint(-15, 10), QPoint(25, 3), QPoint(5, 12)})
        EXPECT_EQ(at(target, output, p.x(), p.y()).alpha(), 0) << p.x() << ", " << p.y();
    EXPECT_EQ(at(target, output, -8, -8).alpha(), 255);
    EXPECT_EQ(at(target, output, 5, 3), original.pixelColor(5, 3));
}

TEST(DrawBaseLayer, FillsThePaddingWithTheFirstColourWhenNoGradientApplies) {
    struct Case {
        const char* name;
        ImageBackground background;
        QColor expected;
    };
    ImageBackground unparsableSecond = gradient("#336699", "#12345", 30);
    ImageBackground solidWithSecond = gradient("#336699", "#FF0000", 30);
    solidWithSecond.style = BackgroundStyle::Solid;
    const Case cases[] = {
        {"solid", solid("#336699", 30, 0, false), QColor(0x33, 0x66, 0x99)},
        {"lower-case solid", solid("#a0b1c2", 30, 0, false), QColor(0xA0, 0xB1, 0xC2)},
        {"unparsable colour is white", solid("red", 30, 0, false), QColor(Qt::white)},
        {"gradient with unparsable second colour", unparsableSecond, QColor(0x33, 0x66, 0x99)},
        {"solid ignores the second colour", solidWithSecond, QColor(0x33, 0x66, 0x99)},
    };
    const QImage original = filled(50, 40, Qt::black);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Media m = media(50, 40, c.background);
        const Rect output = paddedOutput(m);
        const QImage rendered = render(original, m, output);
        ASSERT_EQ(rendered.size(), QSize(110, 100));
        for (const QPoint p : {QPoint(-30, -30), QPoint(79, 69), QPoint(-1, 20), QPoint(25, 40)})
            EXPECT_EQ(at(rendered, output, p.x(), p.y()), c.expected) << p.x() << ", " << p.y();
        EXPECT_EQ(at(rendered, output, 25, 20), QColor(Qt::black));
    }
}

TEST(DrawBaseLayer, GradientRunsFromTheOutputsTopLeftToItsBottomRight) {
    const QColor start(0x20, 0x40, 0x80), end(0xE0, 0xC0, 0x40);
    const Media m = media(100, 50, gradient("#204080", "#e0c040", 50));
    const Rect output = paddedOutput(m);
    const QImage rendered = render(filled(100, 50, Qt::black), m, output);
    ASSERT_EQ(rendered.size(), QSize(200, 150));

    // The colour is constant along lines across the diagonal: a pixel centre's place on it is
    // its projection onto the diagonal, as a fraction of the diagonal's length.
    const auto along = [](QPoint p) { return ((p.x() + 0.5) * 200 + (p.y() + 0.5) * 150) / 62500; };
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 149), QPoint(199, 0), QPoint(0, 149),
                           QPoint(100, 10), QPoint(20, 120)})
        EXPECT_TRUE(near(rendered.pixelColor(p), mix(start, end, along(p)), 3))
            << p.x() << ", " << p.y();
    EXPECT_TRUE(near(rendered.pixelColor(0, 0), start, 1));
    EXPECT_TRUE(near(rendered.pixelColor(199, 149), end, 1));
}

TEST(DrawBaseLayer, RoundsTheImageCornersByTheRadiusLimitedToHalfTheShorterSide) {
    const QColor image(Qt::red), background(Qt::white);
    struct Case {
        double radius;
        QPoint pixel;
        QColor expected;
    };
    const Case cases[] = {
        {0, {0, 0}, image},
        {16, {0, 0}, background},
        {16, {20, 0}, image},
        {20, {7, 7}, image},
        // Limited to 30: a circular arc, not the 50 × 30 ellipse that a per-axis limit gives.
        {500, {7, 7}, background},
        {500, {30, 1}, image},
        {500, {69, 58}, image},
        {500, {92, 52}, background},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.radius << " at " << c.pixel.x() << ", " << c.pixel.y());
        const Media m = media(100, 60, solid("#FFFFFF", 20, c.radius, false));
        EXPECT_EQ(at(render(filled(100, 60, image), m), paddedOutput(m), c.pixel.x(), c.pixel.y()),
                  c.expected);
    }
}

TEST(DrawBaseLayer, CornerRadiusAboveHalfTheShorterSideDrawsLikeThatHalf) {
    const QImage original = patterned(100, 60, false);
    const auto withRadius = [&](double radius) {
        return render(original, media(100, 60, solid("#FFFFFF", 10, radius, true)));
    };
    const QImage limit = withRadius(30);
    EXPECT_EQ(withRadius(500), limit);
    EXPECT_EQ(withRadius(30.5), limit);
    EXPECT_NE(withRadius(29), limit);
}

TEST(DrawBaseLayer, CropShowsOnlyTheVisibleRectOfTheOriginal) {
    const QImage original = patterned(100, 60, false);
    const Rect crop{20, 10, 40, 30};
    const QColor background(0x33, 0x66, 0x99);
    const Media m = media(100, 60, solid("#336699", 20, 0, false), crop);
    const Rect output = paddedOutput(m);
    const QImage rendered = render(original, m, output);
    ASSERT_EQ(rendered.size(), QSize(80, 70));

    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 80; ++x) {
            const int sx = x + int(output.x), sy = y + int(output.y);
            const bool visible = crop.contains(Point{sx + 0.5, sy + 0.5});
            ASSERT_EQ(rendered.pixelColor(x, y), visible ? original.pixelColor(sx, sy) : background)
                << sx << ", " << sy;
        }
}

// White darkened by black at 24 % opacity times the coverage of a straight shadow edge blurred
// with a Gaussian of σ = 9, `inside` pixels from the edge (negative outside).
int shadowedWhite(double inside) {
    const double coverage = 0.5 * std::erfc(-inside / (9 * std::sqrt(2.0)));
    return int(std::lround(255 * (1 - 0.24 * coverage)));
}

TEST(DrawBaseLayer, ShadowIsABlurredCopyOfTheShapeRaisedBySixPixels) {
    // A 200 × 100 image; its shadow spans x 0…200 and y −6…94. Probes sit far from the corners.
    const Media m = media(200, 100, solid("#FFFFFF", 64, 0, true));
    const Rect output = paddedOutput(m);
    const QImage rendered = render(filled(200, 100, Qt::red), m, output);
    const struct {
        const char* where;
        QPoint pixel;
        double inside; // pixel centre to the shadow edge
    } probes[] = {
        {"just above", {100, -1}, 5.5},   {"4 above", {100, -4}, 2.5},
        {"12 above", {100, -12}, -5.5},   {"30 above", {100, -30}, -23.5},
        {"just below", {100, 100}, -6.5}, {"10 below", {100, 109}, -15.5},
        {"just left", {-1, 50}, -0.5},    {"8 left", {-8, 50}, -7.5},
        {"just right", {200, 50}, -0.5},
    };
    for (const auto& probe : probes) {
        SCOPED_TRACE(probe.where);
        const int expected = shadowedWhite(probe.inside);
        EXPECT_TRUE(near(at(rendered, output, probe.pixel.x(), probe.pixel.y()),
                         QColor(expected, expected, expected), 3));
    }
}

TEST(DrawBaseLayer, ShadowIsStrongerAboveTheImageThanBelowAndFadesOut) {
    const Media m = media(200, 100, solid("#FFFFFF", 64, 16, true));
    const Rect output = paddedOutput(m);
    const QImage rendered = render(filled(200, 100, Qt::red), m, output);
    for (int distance : {1, 5, 10, 20}) {
        SCOPED_TRACE(distance);
        const QColor above = at(rendered, output, 100, -distance);
        const QColor below = at(rendered, output, 100, 99 + distance);
        EXPECT_LT(above.red(), below.red());
        if (distance <= 10) {
            EXPECT_LT(below.red(), 255);
        }
    }
    for (const QPoint p :
         {QPoint(-64, -64), QPoint(100, -50), QPoint(100, 150), QPoint(-50, 50), QPoint(263, 163)})
        EXPECT_EQ(at(rendered, output, p.x(), p.y()), QColor(Qt::white)) << p.x() << ", " << p.y();
}

TEST(DrawBaseLayer, ShadowNeverDarkensTheImage) {
    const QImage original = patterned(120, 80, false);
    const Media m = media(120, 80, solid("#FFFFFF", 40, 0, true));
    const QImage rendered = render(original, m);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(rendered.pixel(x + 40, y + 40), original.pixel(x, y)) << x << ", " << y;
}

TEST(DrawBaseLayer, NoShadowLeavesThePaddingPlain) {
    const Media m = media(200, 100, solid("#FFFFFF", 64, 16, false));
    const Rect output = paddedOutput(m);
    const QImage rendered = render(filled(200, 100, Qt::red), m, output);
    for (const QPoint p : {QPoint(100, -1), QPoint(100, 100), QPoint(-1, 50), QPoint(200, 50)})
        EXPECT_EQ(at(rendered, output, p.x(), p.y()), QColor(Qt::white)) << p.x() << ", " << p.y();
}

TEST(DrawBaseLayer, ScaledPainterDrawsTheSameLayerAtItsScale) {
    const Media m = media(200, 100, solid("#FFFFFF", 64, 16, true));
    const Rect output = paddedOutput(m);
    const QImage original = filled(200, 100, Qt::red);
    const QImage full = render(original, m, output);
    const QImage doubled = render(original, m, output, 2);
    ASSERT_EQ(doubled.size(), full.size() * 2);
    // Smooth areas only: the shadow around the image, the padding and the image itself.
    for (const QPoint p : {QPoint(100, -2), QPoint(100, -8), QPoint(100, 103), QPoint(-3, 50),
                           QPoint(204, 50), QPoint(-40, -40), QPoint(100, 50)}) {
        const QPoint source = p - QPoint(int(output.x), int(output.y));
        EXPECT_TRUE(near(doubled.pixelColor(source * 2 + QPoint(1, 1)), full.pixelColor(source), 3))
            << p.x() << ", " << p.y();
    }
}

} // namespace
} // namespace lumbex
