#pragma once

#include "platform/ffmpeg_support.h"
#include "platform/frame_layout.h"

#include <QRect>

namespace lumbex {

// Composes decoded YUV 4:2:0 pictures into the movie's YUV 4:2:0 frames (BT.709, limited range)
// without a round trip through RGB: blacked-out pixels are painted in a private copy of the
// picture, the crop is a pointer offset into its planes, and one libswscale pass scales it into
// place. An odd crop origin shifts the chroma by half a pixel, as cropping 4:2:0 always does.
class YUVFrameComposer {
public:
    YUVFrameComposer(int width, int height);

    // True for the 8-bit YUV 4:2:0 frames that `compose` takes.
    static bool accepts(const AVFrame& source);

    // Writes `source` laid out by `layout` into `frame`, a writable frame of the movie's size.
    // False when the picture cannot be scaled.
    bool compose(const AVFrame& source, const FrameLayout& layout, AVFrame& frame);

private:
    // `source` with the blackout painted, in a copy of its own; `source` itself when none.
    const AVFrame* blackedOut(const AVFrame& source, const std::vector<QRect>& blackout);
    bool prepareScaler(const AVFrame& source, const FrameLayout& layout);

    int width_;
    int height_;
    ffmpeg::FramePtr copy_;
    ffmpeg::ScalerPtr scaler_;
    QSize scalerCrop_;
    QSize scalerTarget_;
    bool scalerFullRange_ = false;
    // The frame buffer and target the black surroundings were last drawn for.
    const uint8_t* blackenedBuffer_ = nullptr;
    QRect blackenedTarget_;
};

} // namespace lumbex
