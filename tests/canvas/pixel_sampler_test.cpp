#include "canvas/pixel_sampler.h"
#include "support/test_marks.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct Scene {
    QImage original;
    Media media;
    std::vector<Mark> marks;

    Scene() : original(40, 30, QImage::Format_RGB32) {
        for (int y = 0; y < original.height(); ++y)
            for (int x = 0; x < original.width(); ++x)
                original.setPixel(x, y, qRgb(x * 6, y * 8, 90));
        media.id = newId();
        media.width = original.width();
        media.height = original.height();
    }
};

TEST(PixelSamplerTest, DeliversOnlyTheLatestAttempt) {
    Scene scene;
    PixelSampler inspector;
    std::vector<PixelInspection> delivered;
    QObject::connect(&inspector, &PixelSampler::inspected,
                     [&](const PixelInspection& inspection) { delivered.push_back(inspection); });
    QSignalSpy spy(&inspector, &PixelSampler::inspected);
    for (int x = 0; x < 10; ++x)
        inspector.inspect(scene.original, scene.media, {}, {}, {double(x), 3}, true);
    ASSERT_TRUE(spy.wait(5000));
    // Give any stale job time to come back: it must not be delivered.
    spy.wait(200);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered.front().point, (Point{9, 3}));
    EXPECT_EQ(delivered.front().color, QColor(qRgb(54, 24, 90)));
    ASSERT_TRUE(delivered.front().loupe);
    EXPECT_EQ(delivered.front().loupe->point, QPoint(9, 3));
}

TEST(PixelSamplerTest, CancelledAttemptsAreDropped) {
    Scene scene;
    PixelSampler inspector;
    QSignalSpy spy(&inspector, &PixelSampler::inspected);
    inspector.inspect(scene.original, scene.media, {}, {}, {1, 1}, false);
    inspector.cancel();
    EXPECT_FALSE(spy.wait(300));
}

TEST(PixelSamplerTest, SamplesTheCompositionWithoutALoupeUnlessAsked) {
    Scene scene;
    PixelSampler inspector;
    std::optional<PixelInspection> result;
    QObject::connect(&inspector, &PixelSampler::inspected,
                     [&](const PixelInspection& inspection) { result = inspection; });
    QSignalSpy spy(&inspector, &PixelSampler::inspected);
    inspector.inspect(scene.original, scene.media, {makeMark(MarkKind::Redact, {0, 0}, {20, 20})},
                      {}, {5, 5}, false);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(result->color, QColor(Qt::black));
    EXPECT_FALSE(result->loupe);
}

} // namespace
} // namespace lumbex
