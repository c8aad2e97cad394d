#include "canvas/canvas_layers.h"
#include "canvas/composition.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "support/test_marks.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

class CanvasLayersTest : public ::testing::Test {
protected:
    CanvasScene scene;
    CanvasPlacement placement;

    void SetUp() override {
        scene.original = QImage(160, 120, QImage::Format_RGB32);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                scene.original.setPixel(x, y, qRgb(x, y * 2, (x * y) % 256));
        scene.media.id = newId();
        scene.media.width = 160;
        scene.media.height = 120;
        scene.marks = {makeMark(MarkKind::Rectangle, {10, 10}, {60, 50}),
                       makeMark(MarkKind::Text, {20, 60}, {150, 100}),
                       makeMark(MarkKind::Redact, {100, 10}, {130, 40}),
                       makeMark(MarkKind::Arrow, {150, 110}, {30, 30})};
        scene.marks[1].text = QStringLiteral("Save is cut off");
        scene.numbers = {{scene.marks[3].id, 1}};
        scene.output = outputRect(scene.media, scene.marks, scene.numbers);
        scene.version = 1;
        placement = {QSize(300, 240),
                     1,
                     QRectF(40, 30, scene.output.width * 1.25, scene.output.height * 1.25),
                     1.25,
                     {}};
    }

    QImage painted(CanvasLayers& layers, const std::optional<Mark>& draft) {
        QImage image(placement.viewport, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        QPainter painter(&image);
        layers.paint(painter, scene, placement, draft);
        return image;
    }

    // The same frame drawn straight through the composition, with the draft in its place.
    QImage direct(const std::optional<Mark>& draft) {
        std::vector<Mark> marks = scene.marks;
        if (draft) {
            auto found = std::find_if(marks.begin(), marks.end(),
                                      [&](const Mark& m) { return m.id == draft->id; });
            if (found == marks.end())
                marks.push_back(*draft);
            else
                *found = *draft;
        }
        CanvasScene once = scene;
        once.marks = marks;
        once.version = 0;
        CanvasLayers fresh;
        std::swap(scene, once);
        const QImage image = painted(fresh, std::nullopt);
        std::swap(scene, once);
        return image;
    }
};

TEST_F(CanvasLayersTest, DraggedFramesMatchAFreshComposition) {
    CanvasLayers layers;
    const struct {
        const char* name;
        size_t index;
        Point offset;
    } drags[] = {{"rectangle under text", 0, {30, 20}},
                 {"text between", 1, {-15, 10}},
                 {"redaction", 2, {-40, 40}},
                 {"numbered arrow on top", 3, {10, -5}}};
    for (const auto& drag : drags) {
        for (const double step : {0.25, 1.0}) {
            Mark moved = scene.marks[drag.index];
            moved.translate(drag.offset.x * step, drag.offset.y * step);
            EXPECT_LE(largestDifference(painted(layers, moved), direct(moved)), 2)
                << drag.name << " at " << step;
        }
    }
    Mark fresh = makeMark(MarkKind::Ellipse, {5, 80}, {70, 115});
    EXPECT_LE(largestDifference(painted(layers, fresh), direct(fresh)), 2) << "new mark";
    EXPECT_EQ(painted(layers, std::nullopt), direct(std::nullopt));
}

TEST_F(CanvasLayersTest, NewContentReplacesTheLayers) {
    CanvasLayers layers;
    const QImage before = painted(layers, std::nullopt);
    scene.marks.erase(scene.marks.begin());
    ++scene.version;
    const QImage after = painted(layers, std::nullopt);
    EXPECT_NE(before, after);
    EXPECT_EQ(after, direct(std::nullopt));
}

// A moving redaction shows inside a lens; other marks are drawn in slices around the lens.
TEST_F(CanvasLayersTest, DraggedFramesMatchAFreshCompositionWithALens) {
    Mark lens = makeMark(MarkKind::Magnify, {10, 60}, {70, 110});
    lens.magnificationCenter = Point{115, 25};
    scene.marks.push_back(lens);
    scene.output = outputRect(scene.media, scene.marks, scene.numbers);
    CanvasLayers layers;
    for (const size_t index : {size_t(2), size_t(0), size_t(4)}) {
        for (const double dx : {-5.0, -12.0}) {
            Mark moved = scene.marks[index];
            moved.translate(dx, 3);
            EXPECT_LE(largestDifference(painted(layers, moved), direct(moved)), 2)
                << "mark " << index << " by " << dx;
        }
    }
}

} // namespace
} // namespace lumbex
