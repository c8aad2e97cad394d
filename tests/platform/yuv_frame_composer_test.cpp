#include "platform/yuv_frame_composer.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

ffmpeg::FramePtr yuvFrame(int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P) {
    ffmpeg::FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

uint8_t& luma(AVFrame& frame, int x, int y) {
    return frame.data[0][y * frame.linesize[0] + x];
}
uint8_t& chroma(AVFrame& frame, int plane, int x, int y) {
    return frame.data[plane][y * frame.linesize[plane] + x];
}

// Luma tells where a pixel came from (x + 3y, within 16…235); chroma is a colour of its own.
ffmpeg::FramePtr coordinateFrame(int width, int height) {
    ffmpeg::FramePtr frame = yuvFrame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            luma(*frame, x, y) = uint8_t(20 + (x + 3 * y) % 200);
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < height / 2; ++y)
            for (int x = 0; x < width / 2; ++x)
                chroma(*frame, plane, x, y) = plane == 1 ? 90 : 170;
    return frame;
}

TEST(YUVFrameComposer, CopiesTheCropExactlyAndBlacksOutWholePixels) {
    const ffmpeg::FramePtr source = coordinateFrame(64, 48);
    const ffmpeg::FramePtr output = yuvFrame(40, 30);
    // Odd crop origin, no scaling, black surroundings of 4 × 2 pixels.
    FrameLayout layout{{40, 30}, {7, 5, 32, 26}, {4, 2, 32, 26}, {{15, 9, 3, 5}}};
    YUVFrameComposer composer(40, 30);
    ASSERT_TRUE(composer.compose(*source, layout, *output));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const QPoint from(x - 4 + 7, y - 2 + 5);
            const bool inside = layout.target.contains(x, y);
            const bool redacted = QRect(15, 9, 3, 5).contains(from);
            const int expected = !inside || redacted ? 16 : luma(*source, from.x(), from.y());
            ASSERT_EQ(luma(*output, x, y), expected);
        }
    // Chroma is cropped at (3, 2) and placed at (2, 1); the redaction touches the source chroma
    // blocks of columns 7…8 and rows 4…6, and keeps none of their colour.
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const QPoint from(x - 2 + 3, y - 1 + 2);
            const bool inside = x >= 2 && x < 18 && y >= 1 && y < 14;
            const bool redacted = QRect(7, 4, 2, 3).contains(from);
            ASSERT_EQ(chroma(*output, 1, x, y), !inside || redacted ? 128 : 90);
            ASSERT_EQ(chroma(*output, 2, x, y), !inside || redacted ? 128 : 170);
        }
    EXPECT_EQ(luma(*source, 16, 10), 20 + (16 + 30) % 200) << "the decoder's frame is left alone";
}

// Whatever the scaler's filter reaches, none of a redacted pixel's brightness or colour survives.
TEST(YUVFrameComposer, ARedactedPixelNeverReachesAScaledFrame) {
    const struct {
        QRect crop;
        QSize target;
    } cases[] = {
        {{0, 0, 160, 120}, {96, 72}}, {{1, 3, 150, 101}, {40, 28}}, {{10, 10, 60, 40}, {120, 80}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.width());
        ffmpeg::FramePtr source = yuvFrame(160, 120);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                luma(*source, x, y) = 16;
        for (int plane = 1; plane <= 2; ++plane)
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 80; ++x)
                    chroma(*source, plane, x, y) = 128;
        // A bright red patch exactly under the redaction (odd edges).
        const QRect secret(31, 21, 37, 29);
        for (int y = secret.top(); y <= secret.bottom(); ++y)
            for (int x = secret.left(); x <= secret.right(); ++x) {
                luma(*source, x, y) = 235;
                chroma(*source, 2, x / 2, y / 2) = 240;
            }
        const ffmpeg::FramePtr output = yuvFrame(c.target.width(), c.target.height());
        YUVFrameComposer composer(c.target.width(), c.target.height());
        ASSERT_TRUE(composer.compose(
            *source, {c.target, c.crop, QRect(QPoint(), c.target), {secret}}, *output));
        for (int y = 0; y < c.target.height(); ++y)
            for (int x = 0; x < c.target.width(); ++x)
                ASSERT_LE(luma(*output, x, y), 17) << x << "," << y;
        for (int y = 0; y < c.target.height() / 2; ++y)
            for (int x = 0; x < c.target.width() / 2; ++x)
                ASSERT_NEAR(chroma(*output, 2, x, y), 128, 1) << x << "," << y;
    }
}

TEST(YUVFrameComposer, BringsAFullRangePictureIntoTheLimitedRange) {
    const ffmpeg::FramePtr source = yuvFrame(16, 16, AV_PIX_FMT_YUVJ420P);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            luma(*source, x, y) = x < 8 ? 0 : 255;
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                chroma(*source, plane, x, y) = 128;
    const ffmpeg::FramePtr output = yuvFrame(16, 16);
    YUVFrameComposer composer(16, 16);
    ASSERT_TRUE(composer.compose(*source, {{16, 16}, {0, 0, 16, 16}, {0, 0, 16, 16}, {}}, *output));
    EXPECT_NEAR(luma(*output, 2, 8), 16, 1);
    EXPECT_NEAR(luma(*output, 13, 8), 235, 1);
}

TEST(YUVFrameComposer, RefusesWhatItCannotCompose) {
    YUVFrameComposer composer(16, 16);
    const ffmpeg::FramePtr output = yuvFrame(16, 16);
    const ffmpeg::FramePtr rgb = yuvFrame(16, 16, AV_PIX_FMT_BGRA);
    EXPECT_FALSE(YUVFrameComposer::accepts(*rgb));
    EXPECT_FALSE(composer.compose(*rgb, {{16, 16}, {0, 0, 16, 16}, {0, 0, 16, 16}, {}}, *output));
    const ffmpeg::FramePtr yuv = coordinateFrame(16, 16);
    // A crop reaching outside the picture, or a target outside the frame.
    EXPECT_FALSE(composer.compose(*yuv, {{16, 16}, {4, 4, 16, 16}, {0, 0, 16, 16}, {}}, *output));
    EXPECT_FALSE(composer.compose(*yuv, {{16, 16}, {0, 0, 16, 16}, {2, 0, 16, 16}, {}}, *output));
}

} // namespace
} // namespace lumbex
