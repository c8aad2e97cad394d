#include "recording/recording_frame_stream.h"

#include "core/error.h"
#include "recording/recording_frame_rendering.h"

#include <algorithm>

namespace lumbex {

RecordingFrameStream::RecordingFrameStream(const RecordingComposition& composition,
                                           qint64 outputStart)
    : composition_(composition) {
    const std::optional<CompositionPlace> place = composition.placeAt(outputStart);
    piece_ =
        place ? size_t(place->piece - composition.pieces().data()) : composition.pieces().size();
    if (place)
        from_ = place->sourceTime;
    const RecordingRange range = composition.recording().selectedRange();
    for (const RecordingRedaction& redaction : composition.recording().redactions)
        for (const qint64 time : {redaction.range.start, redaction.range.end})
            if (time > range.start && time < range.end)
                boundaries_.push_back(time);
    std::sort(boundaries_.begin(), boundaries_.end());
    boundaries_.erase(std::unique(boundaries_.begin(), boundaries_.end()), boundaries_.end());
}

std::optional<SegmentPicture> RecordingFrameStream::nextSourcePicture() {
    const std::vector<CompositionPiece>& pieces = composition_.pieces();
    while (piece_ < pieces.size()) {
        const CompositionPiece& piece = pieces[piece_];
        if (!pictures_) {
            pictures_ = composition_.opener()(piece.file);
            if (!pictures_)
                throw LumbexError(QStringLiteral("A recording segment has no video."));
            pieceFrom_ = from_.value_or(piece.source.start);
            from_.reset();
            pictures_->seek(piece.fileTime(pieceFrom_));
            std::optional<SegmentPicture> first = pictures_->next();
            if (first) {
                // The picture on screen when the piece begins starts the piece.
                first->time = pieceFrom_;
                return first;
            }
        } else if (std::optional<SegmentPicture> picture = pictures_->next()) {
            const qint64 sourceTime = piece.source.start + picture->time - piece.fileStart;
            if (sourceTime > pieceFrom_ && sourceTime < piece.source.end) {
                picture->time = sourceTime;
                return picture;
            }
            if (sourceTime <= pieceFrom_)
                continue;
        }
        pictures_.reset();
        ++piece_;
    }
    return std::nullopt;
}

std::optional<ComposedFrame> RecordingFrameStream::next() {
    if (!started_) {
        started_ = true;
        shown_ = nextSourcePicture();
        if (!shown_)
            return std::nullopt;
        ahead_ = nextSourcePicture();
        lastTime_ = shown_->time;
    } else {
        const qint64 nextPicture =
            ahead_ ? ahead_->time : composition_.recording().selectedRange().end;
        const auto boundary = std::upper_bound(boundaries_.begin(), boundaries_.end(), lastTime_);
        if (boundary != boundaries_.end() && *boundary < nextPicture) {
            lastTime_ = *boundary;
        } else if (ahead_) {
            shown_ = std::exchange(ahead_, nextSourcePicture());
            lastTime_ = shown_->time;
        } else {
            return std::nullopt;
        }
    }
    const RecordingRange range = composition_.recording().selectedRange();
    return ComposedFrame{
        lastTime_ - range.start, lastTime_, shown_->picture,
        recordingFrameLayout(composition_.recording(), lastTime_, composition_.size())};
}

} // namespace lumbex
