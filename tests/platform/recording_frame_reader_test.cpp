#include "model/note_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/recording_media.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(RecordingFrameReader, ReturnsThePictureShownAtEachTime) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("colours.mov"));
    // One-second fragments, so that later times are reached by seeking.
    test::writeMovie(test::movieSettings(path),
                     {{0, Qt::red},
                      {500'000, Qt::red},
                      {1'000'000, Qt::green},
                      {1'400'000, Qt::green},
                      {2'500'000, Qt::blue},
                      {3'000'000, Qt::blue}},
                     3'500'000);

    const struct {
        qint64 time;
        QColor colour;
    } cases[] = {
        {-5, Qt::red}, // before the first picture: the first picture
        {0, Qt::red},           {999'999, Qt::red},
        {1'000'000, Qt::green}, {2'499'999, Qt::green},
        {2'500'000, Qt::blue},  {100'000'000, Qt::blue}, // past the end: the last picture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        const QImage frame = readRecordingFrame(path, c.time);
        ASSERT_EQ(frame.size(), QSize(160, 120));
        EXPECT_EQ(frame.format(), QImage::Format_RGB32);
        const QRgb pixel = frame.pixel(80, 60);
        EXPECT_NEAR(qRed(pixel), c.colour.red(), 30);
        EXPECT_NEAR(qGreen(pixel), c.colour.green(), 30);
        EXPECT_NEAR(qBlue(pixel), c.colour.blue(), 30);
    }
}

// The colour conversion writes whole blocks of pixels; widths that are not a multiple of its block
// once ran past the end of the image (seen by the sanitizer build).
TEST(RecordingFrameReader, PicturesOfAnyEvenWidthStayInsideTheirImage) {
    for (const QSize size : {QSize(600, 400), QSize(602, 398), QSize(18, 10), QSize(1006, 2)}) {
        SCOPED_TRACE(size.width());
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("odd.mov"));
        test::writeMovie(test::movieSettings(path, size.width(), size.height()),
                         {{0, Qt::yellow, size}}, 100'000);
        const QImage frame = readRecordingFrame(path, 0);
        ASSERT_EQ(frame.size(), size);
        const QRgb corner = frame.pixel(size.width() - 1, size.height() - 1);
        EXPECT_GT(qRed(corner), 200);
        EXPECT_LT(qBlue(corner), 60);
    }
}

TEST(RecordingFrameReader, FindsNoPictureInAFileWithoutVideo) {
    const test::TemporaryFolder folder;
    const QString path = folder.write(QStringLiteral("words.mov"), "not a movie at all");
    EXPECT_EQ(test::thrownMessage([&] { readRecordingFrame(path, 0); }),
              "The recording contains no readable video.");
}

} // namespace
} // namespace lumbex
