#include "core/error.h"
#include "core/file_names.h"
#include "platform/export_fixtures.h"
#include "platform/recording_export.h"
#include "support/temporary_folder.h"
#include "support/thrown_message.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

const QString kUnfinished =
    QStringLiteral("The GIF did not finish correctly. The previous file has been kept.");

GIFExportSettings gifSettings(const QString& destination, qint64 duration, bool loop = true) {
    GIFExportSettings settings;
    settings.destination = destination;
    settings.width = 96;
    settings.height = 64;
    settings.fps = 10;
    settings.durationMicroseconds = duration;
    settings.loop = loop;
    return settings;
}

// Writes `count` numbered pictures at `fps` over `duration`.
bool writeGIF(const GIFExportSettings& settings, int count, int fps,
              const std::atomic<bool>& cancelled = false) {
    auto writer = openGIFExport(settings);
    for (int i = 0; i < count; ++i)
        writer->addFrame(test::numberedPicture({settings.width, settings.height}, i),
                         qint64(i) * 1'000'000 / fps);
    return writer->finish(cancelled);
}

TEST(GIFExport, DelaysAddUpToTheRangeInCentisecondsAndFramesKeepTheirColours) {
    struct Case {
        int fps;
        qint64 duration;
        int frames;
        std::vector<qint64> firstDelays; // centiseconds
        qint64 lastDelay;
        qint64 total; // centiseconds
    };
    // 3 fps: 33.33 cs each, rounded cumulatively to 33, 34, 33 … A last frame of 3 ms lasts
    // two centiseconds: viewers would show a shorter delay as ten.
    const std::vector<Case> cases{
        {10, 2'050'000, 21, {10, 10, 10}, 5, 205},
        {3, 2'000'000, 6, {33, 34, 33}, 33, 200},
        {7, 1'000'000, 7, {14, 15, 14}, 14, 100},
        {10, 2'003'000, 21, {10, 10, 10}, 2, 202},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fps);
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("out.gif"));
        ASSERT_TRUE(writeGIF(gifSettings(path, c.duration), c.frames, c.fps));
        EXPECT_EQ(test::entriesIn(folder.path()), QStringList{QStringLiteral("out.gif")});

        const test::DecodedMovie movie = test::decodeMovie(path);
        ASSERT_EQ(int(movie.frames.size()), c.frames);
        EXPECT_EQ(movie.width, 96);
        EXPECT_EQ(movie.height, 64);
        qint64 total = 0;
        for (int i = 0; i < c.frames; ++i) {
            const qint64 delay = movie.frames[size_t(i)].duration / 10'000;
            if (size_t(i) < c.firstDelays.size()) {
                EXPECT_EQ(delay, c.firstDelays[size_t(i)]) << i;
            }
            total += delay;
            // Background and the moving square, each frame from its own palette.
            const QImage expected = test::numberedPicture({96, 64}, i);
            const QImage& image = movie.frames[size_t(i)].image;
            for (const QPoint point : {QPoint(2, 60), QPoint(90, 40), QPoint(i * 4 % 80 + 8, 16)})
                EXPECT_TRUE(test::near(image.pixel(point), expected.pixel(point), 8))
                    << i << " at " << point.x() << "," << point.y();
        }
        EXPECT_EQ(movie.frames.back().duration / 10'000, c.lastDelay);
        EXPECT_EQ(total, c.total);
    }
}

TEST(GIFExport, LoopsForeverOrPlaysOnce) {
    for (const bool loop : {true, false}) {
        SCOPED_TRACE(loop);
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("out.gif"));
        ASSERT_TRUE(writeGIF(gifSettings(path, 500'000, loop), 5, 10));
        const QByteArray bytes = test::fileBytes(path);
        // The application extension that makes a GIF repeat; a count of 0 means forever.
        const qsizetype netscape = bytes.indexOf("NETSCAPE2.0");
        if (loop) {
            ASSERT_GE(netscape, 0);
            EXPECT_EQ(bytes.mid(netscape + 11, 5), QByteArray("\x03\x01\x00\x00\x00", 5));
        } else {
            EXPECT_EQ(netscape, -1);
        }
        EXPECT_EQ(test::decodeMovie(path).frames.size(), 5u);
    }
}

TEST(GIFExport, RefusesTooLargeOrTooFastBeforeCreatingAnything) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("out.gif"));
    const QString tooLarge =
        QStringLiteral("Choose up to 10 fps and a longest side of 960 pixels for GIF.");
    struct Case {
        int width;
        int height;
        int fps;
        QString message;
    };
    const std::vector<Case> cases{
        {962, 600, 10, tooLarge}, {600, 962, 10, tooLarge}, {960, 600, 11, tooLarge},
        {960, 600, 0, tooLarge},  {960, 600, 10, {}},
    };
    for (const Case& c : cases) {
        GIFExportSettings settings = gifSettings(path, 1'000'000);
        settings.width = c.width;
        settings.height = c.height;
        settings.fps = c.fps;
        EXPECT_EQ(test::thrownMessage([&] { openGIFExport(settings); }), c.message)
            << c.width << "x" << c.height << " at " << c.fps;
    }
    EXPECT_TRUE(test::entriesIn(folder.path()).isEmpty());

    const QString missingFolder = folder.path(QStringLiteral("missing/out.gif"));
    EXPECT_EQ(test::thrownMessage([&] { openGIFExport(gifSettings(missingFolder, 1'000'000)); }),
              QStringLiteral("The GIF file could not be created."));
}

TEST(GIFExport, KeepsAnEarlierFileWhenCancelledOrUnfinished) {
    const test::TemporaryFolder folder;
    const QString path = folder.write(QStringLiteral("out.gif"), "earlier export");

    const std::atomic<bool> cancelled = true;
    EXPECT_FALSE(writeGIF(gifSettings(path, 1'000'000), 10, 10, cancelled));

    // Frames out of order, and a writer given up before finishing.
    EXPECT_EQ(test::thrownMessage([&] {
                  auto writer = openGIFExport(gifSettings(path, 1'000'000));
                  writer->addFrame(test::numberedPicture({96, 64}, 0), 100'000);
                  writer->addFrame(test::numberedPicture({96, 64}, 1), 100'000);
              }),
              kUnfinished);
    EXPECT_EQ(
        test::thrownMessage([&] { openGIFExport(gifSettings(path, 1'000'000))->finish(false); }),
        kUnfinished);
    {
        auto abandoned = openGIFExport(gifSettings(path, 1'000'000));
        abandoned->addFrame(test::numberedPicture({96, 64}, 0), 0);
    }
    EXPECT_EQ(test::fileBytes(path), "earlier export");
    EXPECT_EQ(test::entriesIn(folder.path()), QStringList{QStringLiteral("out.gif")});

    ASSERT_TRUE(writeGIF(gifSettings(path, 1'000'000), 10, 10));
    EXPECT_EQ(test::decodeMovie(path).frames.size(), 10u);
}

TEST(GIFExport, ReplacesASymbolicLinkAtTheDestinationWithoutWritingThroughIt) {
    const test::TemporaryFolder folder;
    const QString target = folder.write(QStringLiteral("target.txt"), "not a GIF");
    const QString path = folder.path(QStringLiteral("out.gif"));
    ASSERT_EQ(::symlink(encodeFileName(target).constData(), encodeFileName(path).constData()), 0);
    ASSERT_TRUE(writeGIF(gifSettings(path, 300'000), 3, 10));
    EXPECT_EQ(test::fileBytes(target), "not a GIF");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(test::decodeMovie(path).frames.size(), 3u);
}

TEST(GIFEstimate, ScalesTheSampledBytesToTheFrameCount) {
    std::vector<QImage> samples;
    for (int i = 0; i < 5; ++i)
        samples.push_back(test::numberedPicture({96, 64}, i * 5));
    const qint64 five = estimateGIFBytes(samples, 100'000, true, 5);
    EXPECT_GT(five, 5 * 100);
    EXPECT_EQ(estimateGIFBytes(samples, 100'000, true, 50), five * 10);

    // The estimate is close to the real file of the same frames.
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("out.gif"));
    auto writer = openGIFExport(gifSettings(path, 500'000));
    for (int i = 0; i < 5; ++i)
        writer->addFrame(samples[size_t(i)], i * 100'000);
    ASSERT_TRUE(writer->finish(false));
    EXPECT_EQ(five, QFileInfo(path).size());

    EXPECT_EQ(test::thrownMessage([] {
                  estimateGIFBytes({QImage(962, 10, QImage::Format_RGB32)}, 100'000, true, 1);
              }),
              QStringLiteral("Choose a longest side of up to 960 pixels for GIF."));
    EXPECT_EQ(test::thrownMessage([] { estimateGIFBytes({}, 100'000, true, 1); }),
              QStringLiteral("GIF size estimation is unavailable."));
}

} // namespace
} // namespace lumbex
