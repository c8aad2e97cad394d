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

TEST(RecordingFrameReader, FindsNoPictureInAFileWithoutVideo) {
    const test::TemporaryFolder folder;
    const QString path = folder.write(QStringLiteral("words.mov"), "not a movie at all");
    EXPECT_EQ(test::thrownMessage([&] { readRecordingFrame(path, 0); }),
              "The recording contains no readable video.");
}

} // namespace
} // namespace lumbex
