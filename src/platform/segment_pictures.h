#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct AVFrame;

namespace lumbex {

// A decoded picture of a segment file. Turning it into an image costs a colour conversion of the
// whole picture, so that happens only when somebody asks; writers that work in the decoder's own
// YUV take its frame instead.
class DecodedPicture {
public:
    virtual ~DecodedPicture() = default;

    virtual QSize size() const = 0;
    // The picture as Format_RGB32; a null image when it cannot be converted.
    virtual QImage image() const = 0;
    // The decoder's frame, shared and never to be written; null when there is none.
    virtual const AVFrame* frame() const { return nullptr; }
};

// An image that is already in memory, as a decoded picture.
class ImagePicture final : public DecodedPicture {
public:
    explicit ImagePicture(QImage image) : image_(std::move(image)) {}
    QSize size() const override { return image_.size(); }
    QImage image() const override { return image_; }

private:
    QImage image_;
};

// A picture of a segment file and the time it starts at in the file's own timeline (µs).
struct SegmentPicture {
    qint64 time = 0;
    std::shared_ptr<const DecodedPicture> picture; // never null; the movie's size
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
