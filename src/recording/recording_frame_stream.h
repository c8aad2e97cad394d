#pragma once

#include "recording/recording_composition.h"

#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// The composed movie as rendered pictures in output order, for encoders. Every source frame in
// the selected range is one picture (the first of each segment at the segment's start in the
// range); a frame that is on screen when a redaction starts or ends is repeated from that moment,
// rendered with the redactions active then. Each segment file is decoded once, from the key
// frame before the range.
class RecordingFrameStream {
public:
    // A stream from output time `outputStart` on: its first picture is the one on screen then,
    // given that output time, and decoding starts at the key frame before it. Nothing comes out
    // of a stream that starts outside the movie.
    explicit RecordingFrameStream(const RecordingComposition& composition, qint64 outputStart = 0);

    // The next picture, shown from its output time until the next one's (or the end of the
    // movie); nothing after the last. Throws the decoder's LumbexError.
    std::optional<ComposedFrame> next();

private:
    // The next source picture with its start clamped to the piece it belongs to.
    std::optional<SegmentPicture> nextSourcePicture();

    const RecordingComposition& composition_;
    std::vector<qint64> boundaries_; // redaction starts and ends inside the range, ascending
    size_t piece_ = 0;
    std::optional<qint64> from_; // the source time the stream starts at, until it opens its piece
    qint64 pieceFrom_ = 0;       // the source time the open piece's pictures start at
    std::unique_ptr<SegmentPictures> pictures_;
    std::optional<SegmentPicture> shown_;
    std::optional<SegmentPicture> ahead_;
    qint64 lastTime_ = 0;
    bool started_ = false;
};

} // namespace lumbex
