#pragma once

#include "platform/frame_layout.h"
#include "platform/segment_pictures.h"
#include "recording/recording_output_size.h"
#include "records/screen_recording.h"

#include <QImage>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// The part of one segment file that the selected range shows.
struct CompositionPiece {
    size_t segmentIndex = 0; // in the recording's segments, for their audio track ids
    QString file;
    RecordingRange source; // source time shown by this piece
    qint64 fileStart = 0;  // file time of `source.start`
    // The audio kinds placed under the piece: recorded in the segment and not muted, system first.
    std::vector<RecordingAudio> audio;

    qint64 fileTime(qint64 sourceTime) const { return fileStart + sourceTime - source.start; }
};

// What the composed movie shows at one output time.
struct CompositionPlace {
    const CompositionPiece* piece = nullptr;
    qint64 sourceTime = 0;
    qint64 fileTime = 0;
};

// A still picture of the composed movie: the decoded source picture and how it is laid out.
struct ComposedFrame {
    qint64 outputTime = 0;
    qint64 sourceTime = 0;
    std::shared_ptr<const DecodedPicture> source;
    FrameLayout layout;

    // The picture at the output size, Format_RGB32, rendered anew by every call. Throws "The
    // recording contains no readable video." when the source cannot be converted.
    QImage render() const;
};

// A recording's segments and decisions seen as one movie that starts at 0 at the start of the
// selected range, at the output size. Nothing is decoded until a picture is asked for.
class RecordingComposition {
public:
    // Validates the recording, computes the output size of its visible rectangle and checks every
    // segment file that overlaps the selected range (its bytes and that it has video). Throws
    // LumbexError with the first failure's message.
    static RecordingComposition make(const ScreenRecording& recording, const QString& directory,
                                     std::optional<int> longestSide, bool even,
                                     const SegmentPicturesOpener& open);

    const ScreenRecording& recording() const { return recording_; }
    const RecordingOutputSize& size() const { return size_; }
    const std::vector<CompositionPiece>& pieces() const { return pieces_; }
    const SegmentPicturesOpener& opener() const { return open_; }
    // At least one audio track lies under some piece.
    bool hasAudio() const { return hasAudio_; }
    qint64 duration() const { return recording_.selectedRange().duration(); }

    // The segment file and file time shown at an output time; nothing outside the movie.
    std::optional<CompositionPlace> placeAt(qint64 outputTime) const;

    // The rendered picture shown at a source time: the last source frame starting at or before
    // it. Throws "That frame is outside the selected recording range." outside the selected
    // range, or the decoder's message.
    ComposedFrame frameAt(qint64 sourceTime) const;

private:
    ScreenRecording recording_;
    RecordingOutputSize size_;
    std::vector<CompositionPiece> pieces_;
    SegmentPicturesOpener open_;
    bool hasAudio_ = false;
};

} // namespace lumbex
