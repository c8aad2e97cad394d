#include "capture/scroll_stitcher.h"
#include "core/error.h"
#include "model/fast_png.h"
#include "model/image_files.h"
#include "support/qt_printers.h"
#include "support/scroll_pages.h"

#include <QPainter>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::stripedPage;
using test::textPage;
using Update = ScrollStitcher::Update;

const QString sizeMessage = QStringLiteral("Select a scrolling area at least 64 × 96 pixels.");
const QString overlapMessage =
    QStringLiteral("The frames don’t overlap clearly. Pause scrolling, avoid repeated rows, and "
                   "keep the window in place.");

// A toolbar-like band that stays in place while the content scrolls.
QImage band(int width, int height, QColor color) {
    if (height == 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    for (int x = 4; x + 10 < width; x += 23)
        painter.fillRect(x, height / 4, 10, std::max(1, height / 2), color.darker(180));
    return image;
}

// The scrolling area with its content scrolled to `top`: header, a viewport of the page, footer.
QImage viewAt(const QImage& page, int top, int viewport, const QImage& header = {},
              const QImage& footer = {}) {
    QImage frame(page.width(), header.height() + viewport + footer.height(), QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.drawImage(0, 0, header);
    painter.drawImage(QPoint(0, header.height()), page, QRect(0, top, page.width(), viewport));
    painter.drawImage(0, header.height() + viewport, footer);
    return frame;
}

void expectSamePixels(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual.convertToFormat(QImage::Format_RGB32) ==
                expected.convertToFormat(QImage::Format_RGB32));
}

// Expects `call` to throw `message` and to leave the stitcher exactly as before.
void expectFailureKeepsState(ScrollStitcher& stitcher, const std::function<void()>& call,
                             const QString& message) {
    const ScrollStitcher before = stitcher;
    try {
        call();
        ADD_FAILURE() << "no error, expected " << message.toStdString();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), message);
    }
    EXPECT_TRUE(stitcher == before);
}

struct ScrollCase {
    const char* name;
    bool striped;
    int width;
    int viewport;
    int header;
    int footer;
    std::vector<int> shifts; // 0 offers the same view again
};

void PrintTo(const ScrollCase& c, std::ostream* out) {
    *out << c.name;
}

class ScrollingTest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollingTest, stitchesThePageWithFixedBandsOnce) {
    const ScrollCase& c = GetParam();
    int span = c.viewport;
    for (int shift : c.shifts)
        span += shift;
    const QImage page =
        c.striped ? stripedPage(c.width, span + 20, 7) : textPage(c.width, span + 20, 7);
    const QImage header = band(c.width, c.header, QColor(40, 90, 160));
    const QImage footer = band(c.width, c.footer, QColor(200, 120, 30));

    ScrollStitcher stitcher;
    ASSERT_EQ(stitcher.append(viewAt(page, 0, c.viewport, header, footer)), Update::Added);
    int top = 0;
    std::vector<std::optional<int>> offsets{0};
    for (int shift : c.shifts) {
        top += shift;
        const Update update = stitcher.append(viewAt(page, top, c.viewport, header, footer));
        EXPECT_EQ(update, shift == 0 ? Update::Unchanged : Update::Added) << "at row " << top;
        if (shift != 0)
            offsets.push_back(top);
    }

    const int frameHeight = c.header + c.viewport + c.footer;
    std::vector<std::optional<int>> actualOffsets;
    qint64 bytes = 0;
    for (const auto& frame : stitcher.frames()) {
        actualOffsets.push_back(frame.offsetY);
        bytes += frame.data.size();
        EXPECT_EQ(frame.width, c.width);
        EXPECT_EQ(frame.height, frameHeight);
        EXPECT_GE(frame.footerHeight, frame.offsetY == 0 ? 0 : c.footer);
    }
    EXPECT_EQ(actualOffsets, offsets);
    EXPECT_EQ(stitcher.frames().front().footerHeight, 0);
    EXPECT_EQ(stitcher.joinedCount(), int(offsets.size()));
    EXPECT_EQ(stitcher.byteCount(), bytes);
    EXPECT_EQ(stitcher.width(), c.width);
    EXPECT_EQ(stitcher.height(), frameHeight + top);
    expectSamePixels(stitcher.render(), viewAt(page, 0, c.viewport + top, header, footer));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ScrollingTest,
    ::testing::Values(ScrollCase{"tinyShifts", false, 240, 300, 0, 0, {1, 2, 3, 1}},
                      ScrollCase{"largestShift", true, 200, 300, 0, 0, {225, 225}},
                      ScrollCase{"smallestFrame", true, 64, 96, 0, 0, {48, 1, 47}},
                      ScrollCase{"stickyHeaderAndFooter", false, 320, 400, 40, 30, {3, 150, 200}},
                      ScrollCase{"pausesBetweenShifts", false, 300, 350, 24, 0, {0, 40, 0, 90}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollStitcherTest, refusesFramesOutsideTheSizeLimitsOrOfAnotherSize) {
    const QString tooLarge = QStringLiteral("The expanded image is too large. Move the outer "
                                            "annotation closer or reduce the background padding "
                                            "(120 megapixels maximum).");
    const QString changed = QStringLiteral(
        "The capture area changed size. Keep the partial image and select it again.");
    const struct {
        QSize first; // empty: the frame is the first one
        QSize frame;
        std::optional<QString> message;
    } cases[] = {{{}, {64, 96}, {}},
                 {{}, {63, 96}, sizeMessage},
                 {{}, {64, 95}, sizeMessage},
                 {{}, {32768, 96}, {}},
                 {{}, {32769, 96}, tooLarge},
                 {{200, 300}, {199, 300}, changed},
                 {{200, 300}, {200, 301}, changed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.width() << "x" << c.frame.height());
        const QImage page = stripedPage(c.frame.width(), c.frame.height() + 10, 1);
        ScrollStitcher stitcher;
        if (!c.first.isEmpty()) {
            ASSERT_EQ(stitcher.append(page.copy(QRect({0, 0}, c.first))), Update::Added);
        }
        const QImage frame = page.copy(QRect({0, 10}, c.frame));
        if (c.message)
            expectFailureKeepsState(
                stitcher, [&] { stitcher.append(frame); }, *c.message);
        else
            EXPECT_EQ(stitcher.append(frame), Update::Added);
    }
}

TEST(ScrollStitcherTest, aBlinkingCaretLeavesTheViewUnchanged) {
    const QImage page = textPage(240, 500, 9);
    ScrollStitcher stitcher;
    stitcher.append(page.copy(0, 0, 240, 300));
    QImage caret = page.copy(0, 0, 240, 300);
    QPainter(&caret).fillRect(120, 100, 1, 12, Qt::black);
    const ScrollStitcher before = stitcher;
    EXPECT_EQ(stitcher.append(caret), Update::Unchanged);
    EXPECT_TRUE(stitcher == before);
}

// Fixed bands of the given heights around striped content moved by one row.
std::pair<QImage, QImage> bandedViews(int header, int footer) {
    const QImage page = stripedPage(64, 200, 11);
    const int viewport = 96 - header - footer;
    const QImage top = band(64, header, Qt::darkGreen);
    const QImage bottom = band(64, footer, Qt::darkRed);
    return {viewAt(page, 0, viewport, top, bottom), viewAt(page, 1, viewport, top, bottom)};
}

TEST(ScrollStitcherTest, refusesAFrameThatCannotBeAlignedAndKeepsTheStitcher) {
    // Every 8 rows the same: a shift of 3 scores like 11, 19, …
    QImage repeated(200, 400, QImage::Format_RGB32);
    QPainter(&repeated).drawTiledPixmap(repeated.rect(),
                                        QPixmap::fromImage(stripedPage(200, 8, 4)));
    // Below its last line the page is blank: every shift fits a blank frame.
    QImage endsEarly(300, 800, QImage::Format_RGB32);
    endsEarly.fill(Qt::white);
    QPainter(&endsEarly).drawImage(0, 0, textPage(300, 340, 3));
    const struct {
        const char* name;
        std::pair<QImage, QImage> views;
        QString message;
    } cases[] = {
        {"repeated rows",
         {repeated.copy(0, 0, 200, 300), repeated.copy(0, 3, 200, 300)},
         overlapMessage},
        {"content ends above the new frame",
         {endsEarly.copy(0, 300, 300, 300), endsEarly.copy(0, 400, 300, 300)},
         overlapMessage},
        {"unrelated content", {textPage(300, 300, 1), textPage(300, 300, 2)}, overlapMessage},
        {"fixed bands leave no room to shift", bandedViews(24, 24),
         QStringLiteral("The scrolling content could not be separated from fixed elements. Select "
                        "only the scrolling content and try again.")},
        {"all shifts within three rows", bandedViews(22, 24), overlapMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScrollStitcher stitcher;
        ASSERT_EQ(stitcher.append(c.views.first), Update::Added);
        expectFailureKeepsState(
            stitcher, [&] { stitcher.append(c.views.second); }, c.message);
    }
}

TEST(ScrollStitcherTest, acceptsTheFrameReachingAnImageLimitAndRefusesTheNext) {
    const struct {
        const char* name;
        std::optional<qint64> maxPixels; // the default otherwise
        int width, height, shift, moves;
        int lastShift; // the move that reaches the limit exactly
    } cases[] = {{"frames", std::nullopt, 64, 96, 10, 62, 10},
                 // 4096-row frames move by at most 3072 rows.
                 {"rows", std::nullopt, 64, 4096, 3072, 9, 1024},
                 {"pixels", 100 * 136, 100, 96, 0, 0, 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int reached = c.height + c.moves * c.shift + c.lastShift;
        const QImage page = stripedPage(c.width, reached + 1, 21);
        ScrollStitcher stitcher = c.maxPixels ? ScrollStitcher(*c.maxPixels) : ScrollStitcher();
        int top = 0;
        ASSERT_EQ(stitcher.append(page.copy(0, top, c.width, c.height)), Update::Added);
        for (int index = 0; index < c.moves; ++index)
            ASSERT_EQ(stitcher.append(page.copy(0, top += c.shift, c.width, c.height)),
                      Update::Added);
        ASSERT_EQ(stitcher.append(page.copy(0, top += c.lastShift, c.width, c.height)),
                  Update::Added);
        EXPECT_EQ(stitcher.height(), reached);
        expectFailureKeepsState(
            stitcher, [&] { stitcher.append(page.copy(0, top + 1, c.width, c.height)); },
            QStringLiteral("This scroll capture reached its image limit. Keep this part and start "
                           "another capture."));
    }
}

// Noise hardly compresses, so a few large frames reach the storage limit quickly.
TEST(ScrollStitcherTest, encodedFramesStayWithin128MiB) {
    constexpr int width = 4096, frameHeight = 1024, shift = 256, limit = 128 * 1024 * 1024;
    QImage page(width, frameHeight + 16 * shift, QImage::Format_RGB32);
    QRandomGenerator random(25);
    for (int y = 0; y < page.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(page.scanLine(y));
        random.fillRange(line, width);
        std::for_each(line, line + width, [](quint32& pixel) { pixel |= 0xff000000; });
    }
    ScrollStitcher stitcher;
    std::optional<QImage> refused;
    for (int index = 0; index <= 16 && !refused; ++index) {
        const QImage frame = page.copy(0, index * shift, width, frameHeight);
        const ScrollStitcher before = stitcher;
        try {
            stitcher.append(frame);
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("The original frames reached their storage "
                                                      "limit. Keep this part and start another "
                                                      "capture."));
            EXPECT_TRUE(stitcher == before);
            refused = frame;
        }
    }
    ASSERT_TRUE(refused) << "the storage limit was never reached";
    EXPECT_LE(stitcher.byteCount(), limit);
    EXPECT_GT(stitcher.byteCount() + FastPng::encode(*refused).size(), limit);

    const ScrollStitcher before = stitcher;
    stitcher.preserveUnmatched(*refused);
    EXPECT_TRUE(stitcher == before);
}

TEST(ScrollStitcherTest, preserveUnmatchedKeepsOnlyOneFittingFrameAfterMatchedOnes) {
    const QImage page = textPage(200, 600, 26);
    const QImage stray = textPage(200, 300, 27);
    ScrollStitcher stitcher;
    stitcher.preserveUnmatched(stray);
    EXPECT_TRUE(stitcher.frames().empty());

    stitcher.append(page.copy(0, 0, 200, 300));
    stitcher.append(page.copy(0, 120, 200, 300));
    const QImage rendered = stitcher.render();
    const qint64 bytes = stitcher.byteCount();
    for (const QImage& wrongSize : {textPage(201, 300, 28), textPage(200, 299, 28)}) {
        const ScrollStitcher before = stitcher;
        stitcher.preserveUnmatched(wrongSize);
        EXPECT_TRUE(stitcher == before);
    }

    stitcher.preserveUnmatched(stray);
    ASSERT_EQ(stitcher.frames().size(), 3u);
    const auto& kept = stitcher.frames().back();
    EXPECT_EQ(kept.offsetY, std::nullopt);
    EXPECT_EQ(kept.footerHeight, 0);
    expectSamePixels(ImageFiles::image(kept.data), stray);
    EXPECT_EQ(stitcher.byteCount(), bytes + kept.data.size());
    EXPECT_EQ(stitcher.height(), 420);
    EXPECT_EQ(stitcher.joinedCount(), 2);
    expectSamePixels(stitcher.render(), rendered);

    const ScrollStitcher before = stitcher;
    stitcher.preserveUnmatched(page.copy(0, 200, 200, 300));
    EXPECT_TRUE(stitcher == before);
}

TEST(ScrollStitcherTest, renderWithoutFramesFails) {
    try {
        ScrollStitcher().render();
        FAIL();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("No scroll frames were captured."));
    }
}

// The header is one colour at its top, so it must survive any scaling as that colour.
TEST(ScrollStitcherTest, renderScalesDownToTheLongestSideOnly) {
    const QColor blue(40, 90, 160);
    const auto stitched = [&](int width, int viewport, int shift) {
        const QImage page = textPage(width, viewport + shift, 29);
        const QImage header = band(width, 48, blue);
        ScrollStitcher stitcher;
        stitcher.append(viewAt(page, 0, viewport, header));
        if (shift > 0) {
            EXPECT_EQ(stitcher.append(viewAt(page, shift, viewport, header)), Update::Added);
        }
        return stitcher;
    };
    const ScrollStitcher tall = stitched(100, 252, 100), wide = stitched(800, 100, 0);
    const struct {
        const ScrollStitcher& stitcher;
        std::optional<int> longestSide;
        QSize size;
    } cases[] = {{tall, std::nullopt, {100, 400}}, {tall, 400, {100, 400}},
                 {tall, 5000, {100, 400}},         {tall, 200, {50, 200}},
                 {wide, 400, {400, 74}},           {tall, 1, {1, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.longestSide.value_or(0));
        const QImage full = c.stitcher.render();
        const QImage scaled = c.stitcher.render(c.longestSide);
        ASSERT_EQ(scaled.size(), c.size);
        if (c.size == full.size()) {
            expectSamePixels(scaled, full);
        } else if (c.size.height() > 1) {
            EXPECT_EQ(scaled.pixelColor(0, 0).rgb(), blue.rgb());
        }
    }
}

} // namespace
} // namespace lumbex
