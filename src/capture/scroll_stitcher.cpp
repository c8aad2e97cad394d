#include "capture/scroll_stitcher.h"

#include "canvas/base_layer.h"
#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "model/fast_png.h"
#include "model/image_files.h"

#include <QPainter>
#include <algorithm>

namespace lumbex {
namespace {

constexpr qint64 maxRows = 32768;
constexpr qint64 maxStoredBytes = 128LL * 1024 * 1024;

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

} // namespace

ScrollStitcher::ScrollStitcher(qint64 maxPixels, qint64 maxFrames)
    : maxPixels_(maxPixels), maxFrames_(maxFrames) {}

int ScrollStitcher::joinedCount() const {
    return int(std::count_if(frames_.begin(), frames_.end(),
                             [](const Frame& frame) { return frame.offsetY.has_value(); }));
}

void ScrollStitcher::checkFrameSize(const QImage& image) const {
    if (image.width() < 64 || image.height() < 96)
        fail("Select a scrolling area at least 64 × 96 pixels.");
    validateSize(Rect{0, 0, double(image.width()), double(image.height())});
    if (!frames_.empty() &&
        (image.width() != frames_.front().width || image.height() != frames_.front().height))
        fail("The capture area changed size. Keep the partial image and select it again.");
}

void ScrollStitcher::checkImageLimit(qint64 newHeight, int width) const {
    if (qint64(frames_.size()) >= maxFrames_ || newHeight > maxRows ||
        double(newHeight) * width > double(maxPixels_))
        fail("This scroll capture reached its image limit. Keep this part and start another "
             "capture.");
}

ScrollStitcher::Update ScrollStitcher::append(const QImage& image) {
    checkFrameSize(image);
    ScrollMatching::Samples samples = ScrollMatching::sample(image);
    ScrollMatching::Alignment alignment;
    if (previous_) {
        if (ScrollMatching::looksUnchanged(*previous_, samples))
            return Update::Unchanged;
        alignment = ScrollMatching::align(*previous_, samples);
    }
    const int frameHeight = image.height();
    const qint64 newHeight = frames_.empty() ? frameHeight : height_ + alignment.shift;
    checkImageLimit(newHeight, image.width());
    QByteArray data = FastPng::encode(image);
    if (byteCount_ + data.size() > maxStoredBytes)
        fail("The original frames reached their storage limit. Keep this part and start another "
             "capture.");

    std::vector<Frame> frames = frames_;
    const qint64 size = data.size();
    frames.push_back({image.width(), frameHeight, std::move(data), int(newHeight - frameHeight),
                      alignment.footer});
    frames_ = std::move(frames);
    height_ = newHeight;
    previous_ = std::move(samples);
    byteCount_ += size;
    return Update::Added;
}

void ScrollStitcher::preserveUnmatched(const QImage& image) {
    if (frames_.empty() || qint64(frames_.size()) > maxFrames_ ||
        image.width() != frames_.front().width || image.height() != frames_.front().height ||
        !frames_.back().offsetY)
        return;
    QByteArray data = FastPng::encode(image);
    if (byteCount_ + data.size() > maxStoredBytes)
        return;
    std::vector<Frame> frames = frames_;
    const qint64 size = data.size();
    frames.push_back({image.width(), image.height(), std::move(data), std::nullopt, 0});
    frames_ = std::move(frames);
    byteCount_ += size;
}

QImage ScrollStitcher::render(std::optional<int> longestSide) const {
    if (frames_.empty() || width() < 1 || height_ < 1)
        fail("No scroll frames were captured.");
    double scale = 1.0;
    if (longestSide) {
        const double ratio = *longestSide / double(std::max<qint64>(height_, width()));
        if (ratio < 1.0)
            scale = ratio;
    }
    QImage bitmap(std::max(1, int(scale * width())), std::max(1, int(scale * height_)),
                  QImage::Format_RGBA8888_Premultiplied);
    if (bitmap.isNull())
        fail("There isn’t enough memory to finish this scroll capture.");
    bitmap.fill(Qt::transparent);
    QPainter painter;
    if (!painter.begin(&bitmap))
        fail("The scroll image could not be created.");
    painter.scale(scale, scale);
    // Full size copies every captured pixel unchanged; smoothing only when scaling down.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);

    std::optional<int> bottomEdge;
    for (const Frame& frame : frames_) {
        if (!frame.offsetY)
            continue;
        // Later frames start where the previous frame's fixed footer began, so a fixed header is
        // drawn once (from the first frame) and the footer once (from the last).
        const int cropTop = bottomEdge ? *bottomEdge - *frame.offsetY - frame.footerHeight : 0;
        const QImage crop =
            ImageFiles::image(frame.data).copy(0, cropTop, frame.width, frame.height - cropTop);
        if (crop.isNull())
            fail("A scroll frame could not be joined.");
        drawImage(
            painter, crop,
            Rect{0, double(*frame.offsetY + cropTop), double(frame.width), double(crop.height())});
        bottomEdge = *frame.offsetY + frame.height;
    }
    painter.end();
    return bitmap;
}

} // namespace lumbex
