#include "capture/scroll_stitcher.h"

#include "canvas/base_layer.h"
#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "model/image_files.h"

#include <QColorSpace>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace lumbex {
namespace {

constexpr int sampleColumns = 72;
constexpr int sampleRowBytes = sampleColumns * 4;
// The outermost columns often hold scroll bars or window edges that change while scrolling.
constexpr int ignoredColumns = 3;
constexpr qint64 maxRows = 32768;
constexpr qint64 maxStoredBytes = 128LL * 1024 * 1024;

constexpr double unchangedLimit = 0.12;
constexpr double fixedRowLimit = 0.8;
constexpr double acceptedError = 2.5;
constexpr double rivalMargin = 0.6;
constexpr int rivalDistance = 3;

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// Mean absolute difference of the colour bytes (alpha ignored) over the inner 66 columns, 0–255.
double rowDifference(const QByteArray& a, int rowA, const QByteArray& b, int rowB) {
    const auto* pa = reinterpret_cast<const uchar*>(a.constData()) + rowA * sampleRowBytes;
    const auto* pb = reinterpret_cast<const uchar*>(b.constData()) + rowB * sampleRowBytes;
    int sum = 0;
    for (int column = ignoredColumns; column < sampleColumns - ignoredColumns; ++column)
        for (int channel = 0; channel < 3; ++channel)
            sum += std::abs(pa[column * 4 + channel] - pb[column * 4 + channel]);
    return sum / double((sampleColumns - 2 * ignoredColumns) * 3);
}

// Average difference of every (height ÷ 80)-th row at the same position in both frames.
double frameDifference(const QByteArray& previous, const QByteArray& next, int height) {
    const int step = std::max(1, height / 80);
    double total = 0;
    int count = 0;
    for (int row = 0; row < height; row += step, ++count)
        total += rowDifference(previous, row, next, row);
    return total / count;
}

// Leading rows (from the top, or from the bottom when `fromBottom`) that differ by less than the
// fixed-row limit, at most a third of the height.
int fixedRows(const QByteArray& previous, const QByteArray& next, int height, bool fromBottom) {
    if (height < 3)
        return 0;
    const int cap = height / 3;
    for (int index = 0; index < cap; ++index) {
        const int row = fromBottom ? height - 1 - index : index;
        if (rowDifference(previous, row, next, row) >= fixedRowLimit)
            return index;
    }
    return cap;
}

struct Candidate {
    int shift = 0;
    double error = 0;
};

// How well the new frame's rows match the previous frame's rows `shift` further down, on about
// 48 rows between the fixed header and footer.
double shiftError(const QByteArray& previous, const QByteArray& next, int height, int top,
                  int bottom, int shift) {
    const int end = height - bottom - shift;
    const int step = std::max(1, (end - top) / 48);
    double total = 0;
    int count = 0;
    for (int row = top; row < end; row += step, ++count)
        total += rowDifference(previous, row + shift, next, row);
    return total / count;
}

// A best shift is trusted only when no shift more than a few rows away scores almost as well:
// repeated rows would otherwise join at a wrong place.
bool isClearBest(const std::vector<Candidate>& sorted) {
    const Candidate& best = sorted.front();
    if (best.error > acceptedError)
        return false;
    const auto rival = std::find_if(sorted.begin(), sorted.end(), [&](const Candidate& c) {
        return std::abs(c.shift - best.shift) > rivalDistance;
    });
    return rival != sorted.end() && rival->error > best.error + rivalMargin;
}

struct Alignment {
    int shift = 0;
    int footer = 0;
};

// The rows the content moved up between the previous and the new frame, and the fixed footer.
Alignment align(const QByteArray& previous, const QByteArray& next, int height) {
    const int top = fixedRows(previous, next, height, false);
    const int bottom = fixedRows(previous, next, height, true);
    const int minimumOverlap = height < 192 ? 48 : height / 4;
    const int maximumShift = height - top - bottom - minimumOverlap;
    if (maximumShift < 1)
        fail("The scrolling content could not be separated from fixed elements. Select only the "
             "scrolling content and try again.");
    std::vector<Candidate> candidates;
    candidates.reserve(maximumShift);
    for (int shift = 1; shift <= maximumShift; ++shift)
        candidates.push_back({shift, shiftError(previous, next, height, top, bottom, shift)});
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.error < b.error; });
    if (!isClearBest(candidates))
        fail("The frames don’t overlap clearly. Pause scrolling, avoid repeated rows, and keep the "
             "window in place.");
    return {candidates.front().shift, bottom};
}

} // namespace

ScrollStitcher::ScrollStitcher(qint64 maxPixels, qint64 maxFrames)
    : maxPixels_(maxPixels), maxFrames_(maxFrames) {}

int ScrollStitcher::joinedCount() const {
    return int(std::count_if(frames_.begin(), frames_.end(),
                             [](const Frame& frame) { return frame.offsetY.has_value(); }));
}

// An area-averaging squeeze: every sample column is the mean of the source columns it covers, so
// thin text strokes still count wherever they fall.
ScrollStitcher::Samples ScrollStitcher::sample(const QImage& image) {
    QImage squeezed = image.scaled(sampleColumns, image.height(), Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    if (squeezed.colorSpace().isValid())
        squeezed.convertToColorSpace(QColorSpace::SRgb);
    squeezed.convertTo(QImage::Format_RGBA8888_Premultiplied);
    if (squeezed.isNull())
        fail("The scroll frame could not be compared.");
    if (!squeezed.constBits())
        fail("The scroll frame is empty.");
    QByteArray pixels(qsizetype(sampleRowBytes) * squeezed.height(), Qt::Uninitialized);
    for (int row = 0; row < squeezed.height(); ++row)
        std::copy_n(squeezed.constScanLine(row), sampleRowBytes,
                    pixels.data() + qsizetype(row) * sampleRowBytes);
    return {squeezed.height(), pixels};
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
    Samples samples = sample(image);
    Alignment alignment;
    if (previous_) {
        if (frameDifference(previous_->pixels, samples.pixels, samples.height) < unchangedLimit)
            return Update::Unchanged;
        alignment = align(previous_->pixels, samples.pixels, samples.height);
    }
    const int frameHeight = image.height();
    const qint64 newHeight = frames_.empty() ? frameHeight : height_ + alignment.shift;
    checkImageLimit(newHeight, image.width());
    QByteArray data = ImageFiles::encode(image, false);
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
    QByteArray data = ImageFiles::encode(image, false);
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
