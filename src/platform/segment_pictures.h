#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace lumbex {

// A picture of a segment file and the time it starts at in the file's own timeline (µs).
struct SegmentPicture {
    qint64 time = 0;
    QImage image; // the movie's size, Format_RGB32
};

// The pictures of one segment file, decoded forward. Used from one thread at a time.
class SegmentPictures {
public:
    virtual ~SegmentPictures() = default;

    // Positions the stream so that the next picture is the one shown at `time`: the last that
    // starts at or before it, or the first one when all start later. Throws LumbexError.
    virtual void seek(qint64 time) = 0;
    // The next picture in file order, or nothing after the last. Throws LumbexError.
    virtual std::optional<SegmentPicture> next() = 0;
};

// Opens a segment file for decoding; null when the file holds no video track. Throws LumbexError
// when the file cannot be opened.
using SegmentPicturesOpener = std::function<std::unique_ptr<SegmentPictures>(const QString& file)>;

// FFmpeg's decoder of the segment files written by the movie writer.
std::unique_ptr<SegmentPictures> openSegmentPictures(const QString& file);

} // namespace lumbex
