#pragma once

#include "platform/ffmpeg_support.h"

#include <QImage>
#include <QRect>

namespace lumbex {

// Puts screen pictures of any size into the movie's YUV 4:2:0 frames: scaled to fit with their
// aspect kept, centred on black, with BT.709 coefficients in the limited range, in one
// libswscale pass that converts and scales together.
class PictureFitter {
public:
    PictureFitter(int width, int height);

    // Writes `image` into `frame`, a writable YUV 4:2:0 frame of the movie's size. False when
    // the image is empty or cannot be converted.
    bool fit(const QImage& image, AVFrame& frame);

    // Where a picture of `size` goes in the movie: even position and size, so that the chroma
    // planes line up.
    QRect placement(QSize size) const;

private:
    int width_;
    int height_;
    ffmpeg::ScalerPtr scaler_;
    QSize scalerInput_;
    QRect placed_;
    // The frame buffer and placement the black bars were last drawn for.
    const uint8_t* blackenedBuffer_ = nullptr;
    QRect blackenedPlacement_;
};

// Paints the first `width` × `height` pixels of a YUV 4:2:0 frame black (limited range).
void fillBlack(AVFrame& frame, int width, int height);

} // namespace lumbex
