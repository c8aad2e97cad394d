#pragma once

#include "capture/scroll_matching.h"

#include <QByteArray>
#include <QImage>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace lumbex {

// Joins same-sized screenshots of one scrolling area into one tall image. Each frame is matched
// against the previous one on a 72-column squeeze of it (rows kept), which finds how far the
// content moved and which rows at the top and bottom stayed fixed. Accepted frames are kept as PNG
// with their position, so the result can be rendered at any time and the originals stored.
// A plain value: no threads, no user interface. Every throwing call leaves the stitcher unchanged.
class ScrollStitcher {
public:
    struct Frame {
        int width = 0;
        int height = 0;
        QByteArray data; // PNG
        // Row of the stitched image holding the frame's top row; absent for a kept unmatched frame.
        std::optional<int> offsetY;
        // Rows at the bottom found fixed when the frame was joined (0 for the first frame).
        int footerHeight = 0;

        friend bool operator==(const Frame&, const Frame&) = default;
    };

    enum class Update { Added, Unchanged };

    explicit ScrollStitcher(qint64 maxPixels = 48'000'000, qint64 maxFrames = 64);

    // Offers the next frame. Unchanged when it shows the same content as the last added frame.
    // Throws LumbexError when it is too small, changed size, cannot be aligned or would pass a
    // limit (frames, 32,768 rows, pixels, 128 MiB of PNG data).
    Update append(const QImage& image);
    // Keeps a last frame that could not be joined, without a position, so that a partial capture
    // still stores it. Does nothing unless the last frame is matched and the size fits; drops the
    // frame silently when it would pass the storage limit.
    void preserveUnmatched(const QImage& image);
    // The stitched image, at full size or scaled down so that its longer side is at most
    // `longestSide` (never scaled up). Unmatched frames are not drawn.
    QImage render(std::optional<int> longestSide = std::nullopt) const;

    int width() const { return frames_.empty() ? 0 : frames_.front().width; }
    qint64 height() const { return height_; }
    int joinedCount() const;
    const std::vector<Frame>& frames() const { return frames_; }
    qint64 byteCount() const { return byteCount_; }
    qint64 maxPixels() const { return maxPixels_; }
    qint64 maxFrames() const { return maxFrames_; }

    friend bool operator==(const ScrollStitcher&, const ScrollStitcher&) = default;

private:
    void checkFrameSize(const QImage& image) const;
    void checkImageLimit(qint64 newHeight, int width) const;

    std::vector<Frame> frames_;
    qint64 height_ = 0;
    std::optional<ScrollMatching::Samples> previous_;
    qint64 byteCount_ = 0;
    qint64 maxPixels_;
    qint64 maxFrames_;
};

} // namespace lumbex
