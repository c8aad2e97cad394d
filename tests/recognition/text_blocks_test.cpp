#include "recognition/text_blocks.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class TextBlocksTest : public ::testing::Test {
protected:
    QImage image{900, 500, QImage::Format_Grayscale8};
    QPainter painter;

    void SetUp() override {
        image.fill(Qt::white);
        painter.begin(&image);
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(14);
        painter.setFont(font);
    }
    // Lines of text from `origin`, 18 pixels apart; returns the area they were drawn in.
    QRect write(QPoint origin, const QStringList& lines, QColor color) {
        painter.setPen(color);
        QRect area;
        for (int i = 0; i < lines.size(); ++i) {
            const QRect line = painter.boundingRect(QRect(origin + QPoint(0, 18 * i), QSize(1, 1)),
                                                    Qt::TextDontClip, lines[i]);
            painter.drawText(line, lines[i]);
            area = area.united(line);
        }
        return area;
    }
    std::vector<TextBlock> blocks() {
        painter.end();
        return findTextBlocks(image);
    }
};

TEST_F(TextBlocksTest, FindsSideBySideRegionsApart) {
    const QRect left =
        write({20, 20}, {"total 184", "drwxr-xr-x  7 dana", "-rw-r--r--  1 dana"}, Qt::black);
    const QRect right =
        write({500, 20}, {"Traceback (most recent", "  File sync.py, line 8"}, Qt::black);
    const std::vector<TextBlock> found = blocks();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(left.adjusted(-2, -2, 2, 2).contains(found[0].rect));
    EXPECT_TRUE(right.adjusted(-2, -2, 2, 2).contains(found[1].rect));
    EXPECT_GE(found[0].rect.height(), 2 * 18);
}

TEST_F(TextBlocksTest, TellsLightTextFromDarkText) {
    painter.fillRect(QRect(0, 250, 900, 250), QColor("#1e1e1e"));
    write({20, 40}, {"dark on light"}, QColor("#202020"));
    write({20, 300}, {"light on dark"}, QColor("#d0d0d0"));
    const std::vector<TextBlock> found = blocks();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_LT(found[0].ink, found[0].background);
    EXPECT_GT(found[1].ink, found[1].background);
    EXPECT_GT(found[1].background - found[0].background, -255);
    EXPECT_NEAR(found[1].background, 0x1e, 4);
}

TEST_F(TextBlocksTest, KeepsAFieldApartFromThePanelAroundIt) {
    write({20, 20}, {"A file named report.pdf already exists."}, Qt::black);
    painter.setPen(QColor("#4e4e4e"));
    painter.setBrush(QColor("#6c6c6c"));
    painter.drawRect(QRect(18, 44, 500, 22));
    const QRect field = write({24, 48}, {"report.pdf"}, Qt::black);
    const std::vector<TextBlock> found = blocks();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_NEAR(found[1].background, 0x6c, 4);
    EXPECT_LT(found[1].ink, found[1].background);
    EXPECT_TRUE(found[1].rect.intersects(field));
    EXPECT_FALSE(found[0].rect.intersects(field));
}

TEST_F(TextBlocksTest, FramesAndFlatAreasAreNoText) {
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRect(50, 50, 600, 300));
    painter.drawLine(QPoint(50, 400), QPoint(850, 400));
    painter.fillRect(QRect(100, 100, 200, 100), QColor("#3a3f4b"));
    EXPECT_TRUE(blocks().empty());
}

} // namespace
} // namespace lumbex
