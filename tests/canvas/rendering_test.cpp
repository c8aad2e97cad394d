#include "canvas/rendering.h"
#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "model/image_files.h"
#include "support/qt_printers.h"
#include "support/test_marks.h"

#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A 200 × 120 "screenshot" whose every pixel differs from its neighbours, so that any shift,
// scaling or blending of the original shows.
QImage screenshot() {
    QImage image(200, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 11) % 256, (x * y) % 256));
    return image;
}

class RenderingTest : public ::testing::Test {
protected:
    QImage original = screenshot();
    QByteArray png = ImageFiles::encode(original, false);
    CaptureNote note = makeNote();

    CaptureNote makeNote() const {
        CaptureNote n = CaptureNote::make();
        Media media;
        media.id = newId();
        media.name = QStringLiteral("shot");
        media.width = original.width();
        media.height = original.height();
        media.sha256 = ImageFiles::hash(png);
        n.media.push_back(media);
        return n;
    }
    Media& media() { return note.media.front(); }
    Mark& add(MarkKind kind, Point start, Point end, QString color = QStringLiteral("red")) {
        Mark& mark = note.marks.emplace_back(makeMark(kind, start, end));
        mark.mediaID = media().id;
        mark.color = color;
        return mark;
    }
    void number(const Mark& mark) { note.notes.emplace_back(LinkedNote::make()).markID = mark.id; }
    QImage render(bool jpeg = false, std::optional<Id> selected = std::nullopt) {
        return Rendering::render(note, media(), png, jpeg, selected);
    }
    std::vector<Mark> marks() const { return note.marksOn(note.media.front().id); }
    QImage renderBare(std::optional<int> maximum, std::optional<Rect> part = std::nullopt) {
        return Rendering::render(original, media(), {}, {}, false, part, maximum);
    }
};

std::string thrown(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST_F(RenderingTest, UncoveredPixelsComeOutUnchanged) {
    add(MarkKind::Rectangle, {20, 20}, {60, 50});
    add(MarkKind::Highlight, {100, 10}, {140, 30}, QStringLiteral("#FFEE00"));
    const QImage out = render();
    ASSERT_EQ(out.size(), original.size());
    for (const QPoint p : {QPoint(0, 0), QPoint(40, 35), QPoint(150, 60)})
        EXPECT_EQ(out.pixel(p), original.pixel(p)) << p.x() << "," << p.y();
    EXPECT_NE(out.pixel(20, 35), original.pixel(20, 35)) << "the rectangle's left edge is drawn";
}

TEST_F(RenderingTest, MarksOutsideTheImageWidenTheOutputUnlessCropped) {
    add(MarkKind::Arrow, {60, 60}, {2, 60}).lineWidth = 4;
    const Rect output = outputRect(media(), marks(), {});
    ASSERT_LT(output.x, 0);
    const QImage out = render();
    EXPECT_EQ(out.size(), QSize(int(output.width), int(output.height)));
    const int dx = -int(output.x), dy = -int(output.y);
    EXPECT_EQ(out.pixel(150 + dx, 100 + dy), original.pixel(150, 100))
        << "the image is drawn offset inside";
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0) << "outside the image and the marks stays transparent";

    media().crop = Rect{50, 30, 100, 60};
    const QImage cropped = render();
    ASSERT_EQ(cropped.size(), QSize(100, 60)) << "with a crop, marks never extend the output";
    EXPECT_EQ(cropped.pixel(0, 0), original.pixel(50, 30));
    EXPECT_EQ(cropped.pixel(99, 59), original.pixel(149, 89));
}

TEST_F(RenderingTest, JpegRendersHaveNoTransparency) {
    add(MarkKind::Arrow, {60, 60}, {2, 60});
    const QImage out = render(true);
    EXPECT_EQ(out.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_FALSE(ImageFiles::image(ImageFiles::encode(out, true)).hasAlphaChannel());
}

TEST_F(RenderingTest, SelectedRenderCoversOneMark) {
    const Mark& box = add(MarkKind::Rectangle, {20, 20}, {60, 50});
    number(box);
    const QImage out = render(false, box.id);
    const Rect expected = drawnBounds(box, true, std::nullopt)
                              .roundedOut()
                              .intersected(outputRect(media(), marks(), note.numbers(marks())));
    EXPECT_EQ(out.size(), QSize(int(expected.width), int(expected.height)));

    EXPECT_EQ(thrown([&] { render(false, newId()); }), "Select an annotation to copy.");
    media().crop = Rect{100, 60, 100, 60};
    EXPECT_EQ(thrown([&] { render(false, box.id); }),
              "The selected annotation is outside the cropped image. Move it inside or restore the "
              "full image before copying.");
}

TEST_F(RenderingTest, ScaledRenderFitsThePreviewSize) {
    for (const auto& [maximum, size] :
         std::vector<std::pair<int, QSize>>{{100, {100, 60}}, {2048, {200, 120}}})
        EXPECT_EQ(renderBare(maximum).size(), size) << maximum;
    for (int bad : {0, 2049})
        EXPECT_EQ(thrown([&] { renderBare(bad); }),
                  "Choose a preview size between 1 and 2048 pixels.")
            << bad;
    const QImage part = renderBare(std::nullopt, Rect{10.5, 10, 20, 20});
    EXPECT_EQ(part.size(), QSize(21, 20));
    EXPECT_EQ(part.pixel(0, 0), original.pixel(10, 10));
}

TEST_F(RenderingTest, LoupeAndSampleAgreeWithTheFullRender) {
    add(MarkKind::Arrow, {30, 30}, {3, 90}).lineWidth = 5;
    add(MarkKind::Redact, {60, 10}, {80, 25});
    Mark& lens = add(MarkKind::Magnify, {120, 40}, {190, 110});
    lens.magnificationCenter = Point{70, 20};
    number(add(MarkKind::Pointer, {150, 20}, {150, 20}));
    const MarkNumbers numbers = note.numbers(marks());
    const QImage full = render();
    const Rect output = outputRect(media(), marks(), numbers);
    const QPoint origin(int(output.x), int(output.y));

    for (const Point at : {Point{155.2, 75.9}, Point{70, 18}, Point{126, -4}}) {
        const auto color = Rendering::sample(original, media(), marks(), numbers, at);
        ASSERT_TRUE(color) << at.x << "," << at.y;
        const QPoint p(int(std::floor(at.x)), int(std::floor(at.y)));
        EXPECT_EQ(color->rgba(), qUnpremultiply(full.pixel(p - origin))) << at.x << "," << at.y;

        const auto loupe = Rendering::pixelLoupe(original, media(), marks(), numbers, at);
        ASSERT_TRUE(loupe);
        EXPECT_EQ(loupe->point, p);
        EXPECT_LE(loupe->region.width(), 15);
        EXPECT_EQ(loupe->image, full.copy(loupe->region.translated(-origin)))
            << at.x << "," << at.y;
        const auto reused = Rendering::pixelLoupe(original, media(), marks(), numbers, at, &full);
        EXPECT_EQ(reused->image, loupe->image);
    }
    for (const Point at : {Point{-40, 0}, Point{std::nan(""), 3}})
        EXPECT_FALSE(Rendering::sample(original, media(), marks(), numbers, at));
}

TEST_F(RenderingTest, OversizedOutputIsRefused) {
    media().background = ImageBackground{.padding = 512};
    media().width = 32768;
    media().height = 100;
    EXPECT_EQ(thrown([&] { renderBare(std::nullopt); }),
              "The expanded image is too large. Move the outer annotation closer or reduce the "
              "background padding (120 megapixels maximum).");
}

TEST_F(RenderingTest, StaleRecordingFramesAreRefused) {
    media().recordingFrame = RecordingFrame{0, QString(64, u'a')};
    EXPECT_EQ(
        thrown([&] { render(); }),
        "This frame predates the recording edits or is outside the trim. Use Image actions to add "
        "an updated frame, then remove or exclude the old frame. Review any unlinked notes before "
        "sharing.");
}

} // namespace
} // namespace lumbex
