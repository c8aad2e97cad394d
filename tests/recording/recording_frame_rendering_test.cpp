#include "recording/recording_frame_rendering.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Every pixel tells where it came from: red = x, green = y.
QImage coordinateImage(int width = 160, int height = 120) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, 200));
    return image;
}

ScreenRecording recordingOf(int width, int height) {
    ScreenRecording recording = ScreenRecording::make();
    RecordingSegment segment;
    segment.id = newId();
    segment.width = width;
    segment.height = height;
    segment.duration = 10'000'000;
    segment.byteCount = 1;
    segment.sha256 = QString(64, QLatin1Char('0'));
    recording.segments.push_back(segment);
    return recording;
}

const QRgb kBlack = qRgb(0, 0, 0);

TEST(RecordingFrameRendering, BlacksOutRedactionsWhileTheyAreActive) {
    ScreenRecording recording = recordingOf(160, 120);
    // Fractional edges cover every pixel they touch: columns 10…40, rows 20…60.
    recording.redactions.push_back({newId(), {2'000'000, 4'000'000}, {10.5, 20.2, 30, 40}});
    const RecordingOutputSize size = RecordingOutputSize::make(160, 120, std::nullopt, true);
    const QImage source = coordinateImage();
    const struct {
        qint64 time;
        bool covered;
    } cases[] = {{1'999'999, false}, {2'000'000, true}, {3'999'999, true}, {4'000'000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        const QImage frame = renderRecordingFrame(source, recording, c.time, size);
        ASSERT_EQ(frame.size(), QSize(160, 120));
        for (const QPoint inside : {QPoint(10, 20), QPoint(40, 60), QPoint(25, 40)})
            EXPECT_EQ(frame.pixel(inside) == kBlack, c.covered) << inside.x() << "," << inside.y();
        for (const QPoint outside : {QPoint(9, 20), QPoint(41, 20), QPoint(10, 19), QPoint(10, 61)})
            EXPECT_EQ(frame.pixel(outside), source.pixel(outside))
                << outside.x() << "," << outside.y();
    }
    EXPECT_NE(source.pixel(25, 40), kBlack) << "the source picture itself is left alone";
}

TEST(RecordingFrameRendering, CropsToTheVisibleRectangleExactly) {
    ScreenRecording recording = recordingOf(160, 120);
    recording.crop = Rect{40, 30, 80, 60};
    // A redaction half inside the crop stays on the same source pixels.
    recording.redactions.push_back({newId(), {0, 10'000'000}, {100, 80, 40, 30}});
    const RecordingOutputSize size = RecordingOutputSize::make(80, 60, std::nullopt, true);
    const QImage source = coordinateImage();
    const QImage frame = renderRecordingFrame(source, recording, 0, size);
    ASSERT_EQ(frame.size(), QSize(80, 60));
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool redacted = x + 40 >= 100 && y + 30 >= 80;
            ASSERT_EQ(frame.pixel(x, y), redacted ? kBlack : source.pixel(x + 40, y + 30))
                << x << "," << y;
        }
}

TEST(RecordingFrameRendering, CentresAPictureOfAnotherAspectOverBlack) {
    ScreenRecording recording = recordingOf(160, 120);
    recording.crop = Rect{20, 10, 100, 100};
    const QImage source = coordinateImage();
    const QImage frame = renderRecordingFrame(source, recording, 0, {200, 100, 1});
    ASSERT_EQ(frame.size(), QSize(200, 100));
    for (int y = 0; y < 100; ++y) {
        EXPECT_EQ(frame.pixel(49, y), kBlack);
        EXPECT_EQ(frame.pixel(50, y), source.pixel(20, y + 10));
        EXPECT_EQ(frame.pixel(149, y), source.pixel(119, y + 10));
        EXPECT_EQ(frame.pixel(150, y), kBlack);
    }
}

TEST(RecordingFrameRendering, ScalesToTheOutputSize) {
    ScreenRecording recording = recordingOf(160, 120);
    recording.redactions.push_back({newId(), {0, 10'000'000}, {0, 0, 80, 120}});
    QImage source(160, 120, QImage::Format_RGB32);
    source.fill(qRgb(250, 250, 250));
    const RecordingOutputSize size = RecordingOutputSize::make(160, 120, 80, true);
    const QImage frame = renderRecordingFrame(source, recording, 0, size);
    ASSERT_EQ(frame.size(), QSize(80, 60));
    for (int y = 0; y < 60; ++y) {
        EXPECT_EQ(frame.pixel(38, y), kBlack);
        EXPECT_EQ(frame.pixel(42, y), qRgb(250, 250, 250));
    }
}

} // namespace
} // namespace lumbex
