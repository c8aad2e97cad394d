#include "platform/picture_fitter.h"

#include <cstring>

namespace lumbex {
namespace {

// Limited-range black in YUV.
constexpr uint8_t kBlackLuma = 16;
constexpr uint8_t kBlackChroma = 128;

int evenAtLeastTwo(qint64 value) {
    return int(std::max<qint64>(2, value & ~qint64(1)));
}

bool isBgraInMemory(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

PictureFitter::PictureFitter(int width, int height) : width_(width), height_(height) {}

QRect PictureFitter::placement(QSize size) const {
    const qint64 w = size.width();
    const qint64 h = size.height();
    int placedWidth = width_;
    int placedHeight = height_;
    if (w * height_ > h * width_) // wider than the movie: bars above and below
        placedHeight = std::min(height_, evenAtLeastTwo((h * width_ + w / 2) / w));
    else
        placedWidth = std::min(width_, evenAtLeastTwo((w * height_ + h / 2) / h));
    const int x = ((width_ - placedWidth) / 2) & ~1;
    const int y = ((height_ - placedHeight) / 2) & ~1;
    return {x, y, placedWidth, placedHeight};
}

bool PictureFitter::fit(const QImage& image, AVFrame& frame) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return false;
    // Screen pictures arrive as 32-bit BGRA already; anything else is converted once here.
    const QImage source =
        isBgraInMemory(image.format()) ? image : image.convertToFormat(QImage::Format_RGB32);
    if (source.size() != scalerInput_ || !scaler_) {
        placed_ = placement(source.size());
        const bool scaled = placed_.size() != source.size();
        scaler_.reset(sws_getContext(source.width(), source.height(), AV_PIX_FMT_BGRA,
                                     placed_.width(), placed_.height(), AV_PIX_FMT_YUV420P,
                                     scaled ? SWS_BILINEAR : SWS_POINT, nullptr, nullptr, nullptr));
        if (!scaler_ || !ffmpeg::useBt709(scaler_.get(), false)) {
            scaler_.reset();
            return false;
        }
        scalerInput_ = source.size();
    }
    const bool coversFrame = placed_ == QRect(0, 0, width_, height_);
    if (!coversFrame && (frame.data[0] != blackenedBuffer_ || placed_ != blackenedPlacement_)) {
        fillBlack(frame, width_, height_);
        blackenedBuffer_ = frame.data[0];
        blackenedPlacement_ = placed_;
    }

    const uint8_t* const sourcePlanes[4] = {source.constBits(), nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {int(source.bytesPerLine()), 0, 0, 0};
    const int x = placed_.x();
    const int y = placed_.y();
    uint8_t* const targetPlanes[4] = {
        frame.data[0] + y * frame.linesize[0] + x,
        frame.data[1] + (y / 2) * frame.linesize[1] + x / 2,
        frame.data[2] + (y / 2) * frame.linesize[2] + x / 2,
        nullptr,
    };
    return sws_scale(scaler_.get(), sourcePlanes, sourceStrides, 0, source.height(), targetPlanes,
                     frame.linesize) > 0;
}

void fillBlack(AVFrame& frame, int width, int height) {
    for (int row = 0; row < height; ++row)
        std::memset(frame.data[0] + row * frame.linesize[0], kBlackLuma, size_t(width));
    for (int plane = 1; plane <= 2; ++plane)
        for (int row = 0; row < height / 2; ++row)
            std::memset(frame.data[plane] + row * frame.linesize[plane], kBlackChroma,
                        size_t(width / 2));
}

} // namespace lumbex
