#include "core/error.h"
#include "model/image_files.h"
#include "recognition/source_image.h"
#include "support/qt_printers.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Every pixel differs from its neighbours, so that a shifted or scaled copy shows.
QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 + (x * 7) % 200, 40 + (y * 11) % 200, 90));
    return image;
}

class SourceImageTest : public ::testing::Test {
protected:
    QImage original = pattern(160, 100);
    QByteArray png = ImageFiles::encode(original, false);
    CaptureNote note = makeNote();

    CaptureNote makeNote() const {
        CaptureNote n = CaptureNote::make();
        for (int i = 0; i < 2; ++i) {
            Media& media = n.media.emplace_back();
            media.id = newId();
            media.name = QStringLiteral("shot");
            media.width = original.width();
            media.height = original.height();
            media.sha256 = ImageFiles::hash(png);
        }
        return n;
    }
    Media& image(int index = 0) { return note.media[size_t(index)]; }
    Mark& add(MarkKind kind, Rect r, int onImage = 0) {
        Mark& mark =
            note.marks.emplace_back(makeMark(kind, r.origin(), {r.x + r.width, r.y + r.height}));
        mark.mediaID = image(onImage).id;
        return mark;
    }
    QImage read(std::optional<Rect> selection = std::nullopt) {
        return sourceImage(note, image(), png, selection).convertToFormat(QImage::Format_RGB32);
    }
    // Whether `bitmap` shows the original from `origin` on, except inside `black`.
    void expectOriginal(const QImage& bitmap, QPoint origin, const QRect& black = {}) {
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                const QPoint at = origin + QPoint(x, y);
                const QRgb want = black.contains(at) ? qRgb(0, 0, 0) : original.pixel(at);
                ASSERT_EQ(bitmap.pixel(x, y), want) << at.x() << "," << at.y();
            }
    }
};

TEST_F(SourceImageTest, ShowsOnlyTheImageAndItsRedactionsInBlack) {
    add(MarkKind::Redact, {20, 30, 40, 20});
    add(MarkKind::Arrow, {0, 0, 150, 90});
    add(MarkKind::Rectangle, {5, 5, 100, 60});
    add(MarkKind::Redact, {100, 10, 30, 30}, 1); // on the other image
    image().background = ImageBackground{};
    note.notes.emplace_back(LinkedNote::make()).markID = note.marks[1].id;

    const QImage bitmap = read();
    ASSERT_EQ(bitmap.size(), original.size());
    expectOriginal(bitmap, {0, 0}, QRect(20, 30, 40, 20));
}

TEST_F(SourceImageTest, ReadsTheVisibleRectangleOfACroppedImage) {
    image().crop = Rect{10, 20, 100, 50};
    add(MarkKind::Redact, {0, 0, 30, 40});
    const QImage bitmap = read();
    ASSERT_EQ(bitmap.size(), QSize(100, 50));
    expectOriginal(bitmap, {10, 20}, QRect(0, 0, 30, 40));
}

TEST_F(SourceImageTest, TakesTheSelectionOutwardsToWholePixelsInsideTheVisiblePart) {
    image().crop = Rect{10, 20, 100, 50};
    const QImage bitmap = read(Rect{5.5, 30.2, 20.1, 10.1});
    // x 5.5…25.6 and y 30.2…40.3 become 5…26 and 30…41, then cut to the crop from x 10.
    ASSERT_EQ(bitmap.size(), QSize(16, 11));
    expectOriginal(bitmap, {10, 30});
}

TEST_F(SourceImageTest, RefusesASelectionOutsideTheVisiblePart) {
    image().crop = Rect{10, 20, 100, 50};
    for (const Rect selection :
         {Rect{0, 0, 10, 10}, Rect{120, 20, 30, 30}, Rect{500, 500, 10, 10}, Rect{40, 40, 0, 10}}) {
        try {
            read(selection);
            ADD_FAILURE() << "read " << selection;
        } catch (const LumbexError& e) {
            EXPECT_EQ(e.message(), "Select an area inside the image to read.");
        }
    }
}

} // namespace
} // namespace lumbex
