#include "capture/scroll_stitcher.h"
#include "core/error.h"
#include "model/image_files.h"
#include "support/qt_printers.h"

#include <QPainter>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Update = ScrollStitcher::Update;

const QString sizeMessage = QStringLiteral("Select a scrolling area at least 64 × 96 pixels.");
const QString changedSizeMessage =
    QStringLiteral("The capture area changed size. Keep the partial image and select it again.");
const QString fixedMessage =
    QStringLiteral("The scrolling content could not be separated from fixed elements. Select "
                   "only the scrolling content and try again.");
const QString overlapMessage =
    QStringLiteral("The frames don’t overlap clearly. Pause scrolling, avoid repeated rows, and "
                   "keep the window in place.");
const QString imageLimitMessage = QStringLiteral(
    "This scroll capture reached its image limit. Keep this part and start another capture.");
const QString storageLimitMessage =
    QStringLiteral("The original frames reached their storage limit. Keep this part and start "
                   "another capture.");

enum class Content { Text, Striped };

// Lines of dark "words" on white, with varied line heights, word lengths, shades and gaps.
QImage textPage(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int y = 0; y < height;) {
        const int lineHeight = random.bounded(7, 13);
        for (int x = random.bounded(2, 20); x < width;) {
            const int word = random.bounded(6, 48);
            const int shade = random.bounded(0, 160);
            painter.fillRect(x, y, word, lineHeight, QColor(shade, shade / 2, 255 - shade));
            x += word + random.bounded(4, 14);
        }
        y += lineHeight + random.bounded(2, 7);
    }
    return page;
}

// Every row one random colour, so that no two offsets of the page look alike.
QImage stripedPage(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(page.scanLine(y)), width,
                    qRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
    return page;
}

QImage makePage(Content content, int width, int height, quint32 seed) {
    return content == Content::Text ? textPage(width, height, seed)
                                    : stripedPage(width, height, seed);
}

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

// What the scrolling area shows with its content scrolled to `top`: header, a viewport of the
// page, footer.
QImage viewAt(const QImage& page, int top, int viewport, const QImage& header,
              const QImage& footer) {
    QImage frame(page.width(), header.height() + viewport + footer.height(), QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.drawImage(0, 0, header);
    painter.drawImage(QPoint(0, header.height()), page, QRect(0, top, page.width(), viewport));
    painter.drawImage(0, header.height() + viewport, footer);
    return frame;
}

// The first row in which two same-sized images differ, or -1.
int firstDifferentRow(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < x.height(); ++row)
        if (!std::equal(reinterpret_cast<const QRgb*>(x.constScanLine(row)),
                        reinterpret_cast<const QRgb*>(x.constScanLine(row)) + x.width(),
                        reinterpret_cast<const QRgb*>(y.constScanLine(row))))
            return row;
    return -1;
}

void expectSamePixels(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(firstDifferentRow(actual, expected), -1);
}

// Runs `call`, expects it to throw `message`, and expects the stitcher to be exactly as before.
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
    Content content;
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
    const QImage page = makePage(c.content, c.width, span + 20, 7);
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
    for (const auto& frame : stitcher.frames()) {
        actualOffsets.push_back(frame.offsetY);
        EXPECT_EQ(frame.width, c.width);
        EXPECT_EQ(frame.height, frameHeight);
        EXPECT_GE(frame.footerHeight, frame.offsetY == 0 ? 0 : c.footer);
    }
    EXPECT_EQ(actualOffsets, offsets);
    EXPECT_EQ(stitcher.frames().front().footerHeight, 0);
    EXPECT_EQ(stitcher.joinedCount(), int(offsets.size()));
    EXPECT_EQ(stitcher.width(), c.width);
    EXPECT_EQ(stitcher.height(), frameHeight + top);

    const QImage expected = viewAt(page, 0, c.viewport + top, header, footer);
    expectSamePixels(stitcher.render(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ScrollingTest,
    ::testing::Values(
        ScrollCase{"tinyShifts", Content::Text, 240, 300, 0, 0, {1, 2, 3, 1, 3, 2, 1}},
        ScrollCase{"largeShifts", Content::Text, 240, 300, 0, 0, {200, 150, 190, 120}},
        ScrollCase{"largestShiftWithoutFixedRows", Content::Striped, 200, 300, 0, 0, {225, 225}},
        ScrollCase{"smallestFrame", Content::Striped, 64, 96, 0, 0, {48, 1, 20, 47}},
        ScrollCase{
            "stickyHeaderAndFooter", Content::Text, 320, 400, 40, 30, {3, 60, 150, 1, 200, 2}},
        ScrollCase{"pausesBetweenShifts", Content::Text, 300, 350, 24, 0, {0, 40, 0, 0, 90, 0}},
        ScrollCase{"tallFrames", Content::Text, 640, 800, 0, 0, {500, 12, 333, 1}},
        ScrollCase{"tallFramesWithBands", Content::Text, 500, 780, 56, 44, {480, 7, 250}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollStitcherTest, startsEmpty) {
    const ScrollStitcher stitcher;
    EXPECT_TRUE(stitcher.frames().empty());
    EXPECT_EQ(stitcher.width(), 0);
    EXPECT_EQ(stitcher.height(), 0);
    EXPECT_EQ(stitcher.byteCount(), 0);
    EXPECT_EQ(stitcher.joinedCount(), 0);
    EXPECT_EQ(stitcher.maxPixels(), 48'000'000);
    EXPECT_EQ(stitcher.maxFrames(), 64);
}

TEST(ScrollStitcherTest, firstFrameStartsTheImageAndIsStoredAsPng) {
    const QImage frame = textPage(200, 150, 3);
    ScrollStitcher stitcher;
    ASSERT_EQ(stitcher.append(frame), Update::Added);
    ASSERT_EQ(stitcher.frames().size(), 1u);
    const auto& stored = stitcher.frames().front();
    EXPECT_EQ(stored.offsetY, 0);
    EXPECT_EQ(stored.footerHeight, 0);
    EXPECT_EQ(stitcher.height(), 150);
    EXPECT_EQ(stitcher.byteCount(), stored.data.size());
    expectSamePixels(ImageFiles::image(stored.data), frame);
}

struct SizeCase {
    int width;
    int height;
    std::optional<QString> message;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
    *out << c.width << "x" << c.height;
}

class FrameSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FrameSizeTest, acceptsOnlyAreasFromTheMinimumSizeToTheImageLimit) {
    const SizeCase& c = GetParam();
    ScrollStitcher stitcher;
    const QImage frame = stripedPage(c.width, c.height, 1);
    if (c.message)
        expectFailureKeepsState(
            stitcher, [&] { stitcher.append(frame); }, *c.message);
    else
        EXPECT_EQ(stitcher.append(frame), Update::Added);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FrameSizeTest,
    ::testing::Values(SizeCase{64, 96, std::nullopt}, SizeCase{63, 96, sizeMessage},
                      SizeCase{64, 95, sizeMessage}, SizeCase{20, 20, sizeMessage},
                      SizeCase{32769, 96,
                               QStringLiteral("The expanded image is too large. Move the outer "
                                              "annotation closer or reduce the background "
                                              "padding (120 megapixels maximum).")}));

TEST(ScrollStitcherTest, framesOfAnotherSizeAreRefused) {
    const QImage page = textPage(200, 600, 5);
    ScrollStitcher stitcher;
    stitcher.append(page.copy(0, 0, 200, 300));
    for (const QRect& area : {QRect(0, 10, 199, 300), QRect(0, 10, 200, 301),
                              QRect(0, 10, 200, 299), QRect(0, 10, 64, 96)})
        expectFailureKeepsState(
            stitcher, [&] { stitcher.append(page.copy(area)); }, changedSizeMessage);
}

TEST(ScrollStitcherTest, anUnchangedViewAddsNothing) {
    const QImage page = textPage(240, 500, 9);
    ScrollStitcher stitcher;
    stitcher.append(page.copy(0, 0, 240, 300));
    stitcher.append(page.copy(0, 30, 240, 300));
    QImage caret = page.copy(0, 30, 240, 300);
    QPainter(&caret).fillRect(120, 100, 1, 12, Qt::black);
    for (const QImage& view : {page.copy(0, 30, 240, 300), caret}) {
        const ScrollStitcher before = stitcher;
        EXPECT_EQ(stitcher.append(view), Update::Unchanged);
        EXPECT_TRUE(stitcher == before);
    }
}

struct AlignmentCase {
    const char* name;
    std::function<std::pair<QImage, QImage>()> views;
    QString message;
};

void PrintTo(const AlignmentCase& c, std::ostream* out) {
    *out << c.name;
}

// Two views of a frame with fixed bands of the given heights around striped content moved by
// `shift` rows.
std::pair<QImage, QImage> bandedViews(int header, int footer, int shift) {
    const QImage page = stripedPage(64, 200, 11);
    const int viewport = 96 - header - footer;
    const QImage top = band(64, header, Qt::darkGreen);
    const QImage bottom = band(64, footer, Qt::darkRed);
    return {viewAt(page, 0, viewport, top, bottom), viewAt(page, shift, viewport, top, bottom)};
}

class AlignmentFailureTest : public ::testing::TestWithParam<AlignmentCase> {};

TEST_P(AlignmentFailureTest, refusesTheFrameAndKeepsTheStitcher) {
    const auto [first, second] = GetParam().views();
    ScrollStitcher stitcher;
    ASSERT_EQ(stitcher.append(first), Update::Added);
    expectFailureKeepsState(
        stitcher, [&] { stitcher.append(second); }, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, AlignmentFailureTest,
    ::testing::Values(
        AlignmentCase{"repeatedRows",
                      [] {
                          // Every 8 rows the same: a shift of 3 scores like 11, 19, …
                          QImage page = stripedPage(200, 8, 4);
                          QImage tall(200, 400, QImage::Format_RGB32);
                          QPainter painter(&tall);
                          for (int y = 0; y < 400; y += 8)
                              painter.drawImage(0, y, page);
                          return std::pair{tall.copy(0, 0, 200, 300), tall.copy(0, 3, 200, 300)};
                      },
                      overlapMessage},
        AlignmentCase{"unrelatedContent",
                      [] {
                          return std::pair{textPage(300, 300, 1), textPage(300, 300, 2)};
                      },
                      overlapMessage},
        AlignmentCase{"fixedBandsLeaveNoRoomToShift", [] { return bandedViews(24, 24, 1); },
                      fixedMessage},
        AlignmentCase{"allShiftsWithinThreeRows", [] { return bandedViews(22, 24, 1); },
                      overlapMessage}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollStitcherTest, sixtyFifthFrameReachesTheLimitButCanBeKeptUnmatched) {
    const QImage page = stripedPage(64, 96 + 65 * 10, 21);
    ScrollStitcher stitcher;
    for (int index = 0; index < 64; ++index)
        ASSERT_EQ(stitcher.append(page.copy(0, index * 10, 64, 96)), Update::Added) << index;
    const QImage last = page.copy(0, 640, 64, 96);
    expectFailureKeepsState(
        stitcher, [&] { stitcher.append(last); }, imageLimitMessage);

    const qint64 height = stitcher.height();
    const qint64 bytes = stitcher.byteCount();
    stitcher.preserveUnmatched(last);
    ASSERT_EQ(stitcher.frames().size(), 65u);
    EXPECT_EQ(stitcher.joinedCount(), 64);
    EXPECT_EQ(stitcher.frames().back().offsetY, std::nullopt);
    EXPECT_EQ(stitcher.frames().back().footerHeight, 0);
    expectSamePixels(ImageFiles::image(stitcher.frames().back().data), last);
    EXPECT_EQ(stitcher.byteCount(), bytes + stitcher.frames().back().data.size());
    EXPECT_EQ(stitcher.height(), height);
}

TEST(ScrollStitcherTest, frameLimitIsFixedAtCreation) {
    const QImage page = stripedPage(64, 300, 22);
    ScrollStitcher stitcher(48'000'000, 2);
    stitcher.append(page.copy(0, 0, 64, 96));
    stitcher.append(page.copy(0, 20, 64, 96));
    expectFailureKeepsState(
        stitcher, [&] { stitcher.append(page.copy(0, 40, 64, 96)); }, imageLimitMessage);
}

TEST(ScrollStitcherTest, imageMayGrowToExactly32768Rows) {
    // 4096-row frames move by at most 3072 rows: nine full moves and a last one.
    const QImage page = stripedPage(64, 32769, 23);
    for (const auto& [lastShift, accepted] : {std::pair{1024, true}, std::pair{1025, false}}) {
        ScrollStitcher stitcher;
        int top = 0;
        stitcher.append(page.copy(0, top, 64, 4096));
        for (int index = 0; index < 9; ++index)
            ASSERT_EQ(stitcher.append(page.copy(0, top += 3072, 64, 4096)), Update::Added);
        const QImage last = page.copy(0, top + lastShift, 64, 4096);
        if (accepted) {
            EXPECT_EQ(stitcher.append(last), Update::Added);
            EXPECT_EQ(stitcher.height(), 32768);
        } else {
            expectFailureKeepsState(
                stitcher, [&] { stitcher.append(last); }, imageLimitMessage);
        }
    }
}

TEST(ScrollStitcherTest, pixelLimitCountsTheWholeStitchedImage) {
    const QImage page = stripedPage(100, 400, 24);
    for (const auto& [shift, accepted] : {std::pair{40, true}, std::pair{41, false}}) {
        ScrollStitcher stitcher(100 * 136, 64);
        stitcher.append(page.copy(0, 0, 100, 96));
        const QImage next = page.copy(0, shift, 100, 96);
        if (accepted)
            EXPECT_EQ(stitcher.append(next), Update::Added);
        else
            expectFailureKeepsState(
                stitcher, [&] { stitcher.append(next); }, imageLimitMessage);
    }
}

// Noise hardly compresses, so a few large frames reach the storage limit quickly.
TEST(ScrollStitcherTest, encodedFramesStayWithin128MiB) {
    constexpr int width = 4096, frameHeight = 1024, shift = 256;
    QImage page(width, frameHeight + 16 * shift, QImage::Format_RGB32);
    QRandomGenerator random(25);
    for (int y = 0; y < page.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(page.scanLine(y));
        random.fillRange(line, width);
        for (int x = 0; x < width; ++x)
            line[x] |= 0xff000000;
    }
    ScrollStitcher stitcher;
    std::optional<QImage> refused;
    for (int index = 0; index <= 16 && !refused; ++index) {
        const QImage frame = page.copy(0, index * shift, width, frameHeight);
        const ScrollStitcher before = stitcher;
        try {
            stitcher.append(frame);
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), storageLimitMessage);
            EXPECT_TRUE(stitcher == before);
            refused = frame;
        }
    }
    ASSERT_TRUE(refused) << "the storage limit was never reached";
    EXPECT_LE(stitcher.byteCount(), 128 * 1024 * 1024);
    EXPECT_GT(stitcher.byteCount() + ImageFiles::encode(*refused, false).size(), 128 * 1024 * 1024);

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
    for (const QImage& wrongSize : {textPage(201, 300, 28), textPage(200, 299, 28)}) {
        const ScrollStitcher before = stitcher;
        stitcher.preserveUnmatched(wrongSize);
        EXPECT_TRUE(stitcher == before);
    }

    stitcher.preserveUnmatched(stray);
    ASSERT_EQ(stitcher.frames().size(), 3u);
    EXPECT_EQ(stitcher.frames().back().offsetY, std::nullopt);
    EXPECT_EQ(stitcher.height(), 420);
    EXPECT_EQ(stitcher.joinedCount(), 2);
    expectSamePixels(stitcher.render(), rendered);

    const ScrollStitcher before = stitcher;
    stitcher.preserveUnmatched(page.copy(0, 200, 200, 300));
    EXPECT_TRUE(stitcher == before);
}

TEST(ScrollStitcherTest, renderWithoutFramesFails) {
    const ScrollStitcher stitcher;
    try {
        stitcher.render();
        FAIL();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("No scroll frames were captured."));
    }
}

struct RenderCase {
    int width;
    int viewport;
    int shift;
    std::optional<int> longestSide;
    QSize size;
    bool headerShows = true;
};

void PrintTo(const RenderCase& c, std::ostream* out) {
    *out << c.width << "x" << c.viewport << " longest " << c.longestSide.value_or(0);
}

class RenderSizeTest : public ::testing::TestWithParam<RenderCase> {};

// The page's top band is one colour, so it must survive any scaling as that colour.
TEST_P(RenderSizeTest, scalesDownToTheLongestSideOnly) {
    const RenderCase& c = GetParam();
    const QImage page = textPage(c.width, c.viewport + c.shift, 29);
    const QImage header = band(c.width, 48, QColor(40, 90, 160));
    ScrollStitcher stitcher;
    stitcher.append(viewAt(page, 0, c.viewport, header, QImage()));
    if (c.shift > 0) {
        ASSERT_EQ(stitcher.append(viewAt(page, c.shift, c.viewport, header, QImage())),
                  Update::Added);
    }
    const QImage full = stitcher.render();
    const QImage scaled = stitcher.render(c.longestSide);
    ASSERT_EQ(scaled.size(), c.size);
    if (c.size == full.size()) {
        expectSamePixels(scaled, full);
    } else if (c.headerShows) {
        EXPECT_EQ(scaled.pixelColor(0, 0).rgb(), QColor(40, 90, 160).rgb());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderSizeTest,
                         ::testing::Values(RenderCase{100, 252, 100, std::nullopt, {100, 400}},
                                           RenderCase{100, 252, 100, 400, {100, 400}},
                                           RenderCase{100, 252, 100, 5000, {100, 400}},
                                           RenderCase{100, 252, 100, 200, {50, 200}},
                                           RenderCase{100, 252, 100, 100, {25, 100}},
                                           RenderCase{800, 100, 0, 400, {400, 74}},
                                           RenderCase{100, 252, 100, 1, {1, 1}, false}));

} // namespace
} // namespace lumbex
