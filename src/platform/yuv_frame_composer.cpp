#include "platform/yuv_frame_composer.h"

#include "platform/picture_fitter.h"

#include <algorithm>
#include <cstring>

namespace lumbex {
namespace {

constexpr uint8_t kNeutralChroma = 128;

bool isFullRange(const AVFrame& frame) {
    return frame.format == AV_PIX_FMT_YUVJ420P || frame.color_range == AVCOL_RANGE_JPEG;
}

void fillRows(uint8_t* plane, int stride, const QRect& rect, uint8_t value) {
    for (int row = rect.top(); row <= rect.bottom(); ++row)
        std::memset(plane + qint64(row) * stride + rect.left(), value, size_t(rect.width()));
}

// Black over `rect` of a YUV 4:2:0 frame: the luma exactly, the chroma of every 2 × 2 block the
// rectangle touches, so that no colour of a covered pixel survives.
void paintBlack(AVFrame& frame, const QRect& rect) {
    const QRect luma = rect.intersected(QRect(0, 0, frame.width, frame.height));
    if (luma.isEmpty())
        return;
    fillRows(frame.data[0], frame.linesize[0], luma, isFullRange(frame) ? 0 : 16);
    const QRect chroma(QPoint(luma.left() / 2, luma.top() / 2),
                       QPoint(luma.right() / 2, luma.bottom() / 2));
    fillRows(frame.data[1], frame.linesize[1], chroma, kNeutralChroma);
    fillRows(frame.data[2], frame.linesize[2], chroma, kNeutralChroma);
}

} // namespace

YUVFrameComposer::YUVFrameComposer(int width, int height) : width_(width), height_(height) {}

bool YUVFrameComposer::accepts(const AVFrame& source) {
    return source.format == AV_PIX_FMT_YUV420P || source.format == AV_PIX_FMT_YUVJ420P;
}

const AVFrame* YUVFrameComposer::blackedOut(const AVFrame& source,
                                            const std::vector<QRect>& blackout) {
    if (blackout.empty())
        return &source;
    if (!copy_ || copy_->width != source.width || copy_->height != source.height ||
        copy_->format != source.format) {
        copy_.reset(av_frame_alloc());
        if (!copy_)
            return nullptr;
        copy_->format = source.format;
        copy_->width = source.width;
        copy_->height = source.height;
        if (av_frame_get_buffer(copy_.get(), 0) < 0) {
            copy_.reset();
            return nullptr;
        }
    }
    if (av_frame_copy(copy_.get(), &source) < 0 || av_frame_copy_props(copy_.get(), &source) < 0)
        return nullptr;
    for (const QRect& rect : blackout)
        paintBlack(*copy_, rect);
    return copy_.get();
}

bool YUVFrameComposer::prepareScaler(const AVFrame& source, const FrameLayout& layout) {
    const bool fullRange = isFullRange(source);
    if (scaler_ && scalerCrop_ == layout.crop.size() && scalerTarget_ == layout.target.size() &&
        scalerFullRange_ == fullRange)
        return true;
    const bool scaled = layout.crop.size() != layout.target.size();
    // Bicubic, as the movie tools' scale filters do by default.
    // Naming the full-range format keeps libswscale from taking its plain-copy path, which
    // would skip the range conversion.
    scaler_.reset(sws_getContext(layout.crop.width(), layout.crop.height(),
                                 fullRange ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P,
                                 layout.target.width(), layout.target.height(), AV_PIX_FMT_YUV420P,
                                 scaled ? SWS_BICUBIC : SWS_POINT, nullptr, nullptr, nullptr));
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    if (!scaler_ || sws_setColorspaceDetails(scaler_.get(), bt709, fullRange ? 1 : 0, bt709, 0, 0,
                                             1 << 16, 1 << 16) < 0) {
        scaler_.reset();
        return false;
    }
    scalerCrop_ = layout.crop.size();
    scalerTarget_ = layout.target.size();
    scalerFullRange_ = fullRange;
    return true;
}

bool YUVFrameComposer::compose(const AVFrame& source, const FrameLayout& layout, AVFrame& frame) {
    const QRect inside(0, 0, source.width, source.height);
    if (!accepts(source) || layout.crop.isEmpty() || !inside.contains(layout.crop) ||
        layout.target.isEmpty() || !QRect(0, 0, width_, height_).contains(layout.target) ||
        !prepareScaler(source, layout))
        return false;
    const AVFrame* picture = blackedOut(source, layout.blackout);
    if (!picture)
        return false;
    if (layout.target != QRect(0, 0, width_, height_) &&
        (frame.data[0] != blackenedBuffer_ || layout.target != blackenedTarget_)) {
        fillBlack(frame, width_, height_);
        blackenedBuffer_ = frame.data[0];
        blackenedTarget_ = layout.target;
    }
    const QRect& crop = layout.crop;
    const uint8_t* const sourcePlanes[4] = {
        picture->data[0] + qint64(crop.y()) * picture->linesize[0] + crop.x(),
        picture->data[1] + qint64(crop.y() / 2) * picture->linesize[1] + crop.x() / 2,
        picture->data[2] + qint64(crop.y() / 2) * picture->linesize[2] + crop.x() / 2,
        nullptr,
    };
    const QRect& target = layout.target;
    uint8_t* const targetPlanes[4] = {
        frame.data[0] + qint64(target.y()) * frame.linesize[0] + target.x(),
        frame.data[1] + qint64(target.y() / 2) * frame.linesize[1] + target.x() / 2,
        frame.data[2] + qint64(target.y() / 2) * frame.linesize[2] + target.x() / 2,
        nullptr,
    };
    return sws_scale(scaler_.get(), sourcePlanes, picture->linesize, 0, crop.height(), targetPlanes,
                     frame.linesize) > 0;
}

} // namespace lumbex
