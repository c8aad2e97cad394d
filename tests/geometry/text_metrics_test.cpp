#include "geometry/text_metrics.h"

#include <QFontDatabase>
#include <gtest/gtest.h>
#include <thread>

namespace lumbex {
namespace {

const QString kParagraph = QStringLiteral(
    "The save button stays disabled after the form is filled in, and the spinner next to it "
    "never stops turning even though the request has already finished.");

TEST(AnnotationFont, IsTheSemiboldSystemFontAtTheGivenSize) {
    const QFont font = annotationFont(18.5);
    EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(font.weight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 18.5);
}

// One point is one pixel: a line of any ordinary font is between 1 and 1.4 em high, whereas at
// 96 dpi it would be at least 1.33 × 1.15 em.
TEST(MeasureText, OnePointIsOnePixel) {
    for (double size : {16.0, 40.0, 100.0}) {
        const double height =
            measureText(QStringLiteral("Hg"), annotationFont(size), 1000).height();
        EXPECT_GE(height, size) << size;
        EXPECT_LE(height, 1.4 * size) << size;
    }
}

TEST(MeasureText, WrapsAtWordsWithinTheWidth) {
    const QFont font = annotationFont(18);
    const QSizeF oneLine = measureText(QStringLiteral("Hg"), font, 2000);
    const QSizeF narrow = measureText(kParagraph, font, 200);
    const QSizeF wide = measureText(kParagraph, font, 2000);
    EXPECT_LE(narrow.width(), 200);
    EXPECT_GT(narrow.height(), 3 * oneLine.height());
    EXPECT_DOUBLE_EQ(wide.height(), oneLine.height());
    EXPECT_GT(wide.width(), 200);
}

TEST(MeasureText, GivesTheSameSizeOffTheGuiThread) {
    const QFont font = annotationFont(24);
    const QSizeF onGuiThread = measureText(kParagraph, font, 300);
    QSizeF onWorker;
    std::thread worker([&] { onWorker = measureText(kParagraph, font, 300); });
    worker.join();
    EXPECT_EQ(onWorker, onGuiThread);
}

} // namespace
} // namespace lumbex
