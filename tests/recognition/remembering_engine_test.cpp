#include "recognition/remembering_engine.h"
#include "support/fake_recognition_engines.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

QImage grey(int width, int height, int level) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return image;
}

TEST(RememberingEngineTest, ReadsTheSamePixelsOnce) {
    std::vector<QSize> reads;
    test::FakeTextEngine engine(false, &reads);
    RememberingEngine remembering(engine);
    const std::vector<EngineLine> first =
        remembering.read(grey(40, 20, 200), PageLayout::SingleBlock);
    // The same pixels in another format are the same pixels.
    const std::vector<EngineLine> again = remembering.read(
        grey(40, 20, 200).convertToFormat(QImage::Format_RGB32), PageLayout::SingleBlock);
    EXPECT_EQ(reads.size(), 1u);
    ASSERT_EQ(again.size(), first.size());
    EXPECT_EQ(again[0].text, first[0].text);
    EXPECT_EQ(again[0].box, first[0].box);

    // Other pixels, another size or another layout are read.
    remembering.read(grey(40, 20, 201), PageLayout::SingleBlock);
    remembering.read(grey(20, 40, 200), PageLayout::SingleBlock);
    remembering.read(grey(40, 20, 200), PageLayout::SingleLine);
    EXPECT_EQ(reads.size(), 4u);
}

TEST(RememberingEngineTest, PassesCancellationOn) {
    test::FakeTextEngine engine;
    RememberingEngine remembering(engine);
    remembering.cancel();
    EXPECT_THROW(remembering.read(grey(10, 10, 0), PageLayout::SingleBlock), RecognitionCancelled);
}

} // namespace
} // namespace lumbex
