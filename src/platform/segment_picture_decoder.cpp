#include "core/error.h"
#include "platform/movie_input.h"
#include "platform/segment_pictures.h"
#include "platform/video_decoder.h"

#include <utility>

namespace lumbex {
namespace {

const QString kNoVideo = QStringLiteral("The recording contains no readable video.");

// Holds a reference to the decoder's frame; the buffer stays the decoder's to reuse once the
// last reference is gone.
class FFmpegPicture final : public DecodedPicture {
public:
    FFmpegPicture(const AVFrame& frame, QSize size) : frame_(av_frame_alloc()), size_(size) {
        if (!frame_ || av_frame_ref(frame_.get(), &frame) < 0)
            throw LumbexError(kNoVideo);
    }

    QSize size() const override { return size_; }
    QImage image() const override { return decodedImage(*frame_, size_); }
    const AVFrame* frame() const override { return frame_.get(); }

private:
    ffmpeg::FramePtr frame_;
    QSize size_;
};

// Holds back one decoded frame after a seek, so that the picture shown at the sought time can be
// handed out after the decoder has already read the one that follows it.
class SegmentPictureDecoder final : public SegmentPictures {
public:
    SegmentPictureDecoder(const AVStream& stream, std::unique_ptr<MovieInput> input)
        : input_(std::move(input)), size_(stream.codecpar->width, stream.codecpar->height),
          decoder_(*input_, stream, kNoVideo) {}

    void seek(qint64 time) override {
        held_.reset();
        ahead_.reset();
        // A seek lands on the key frame at or before `time` when the demuxer knows one there;
        // otherwise decoding starts again from the beginning of the file.
        if (!decoder_.seek(time) || !holdPictureAt(time, true)) {
            if (!decoder_.seek(0))
                throw LumbexError(kNoVideo);
            holdPictureAt(time, false);
        }
    }

    std::optional<SegmentPicture> next() override {
        if (held_)
            return std::exchange(held_, std::nullopt);
        if (ahead_)
            return std::exchange(ahead_, std::nullopt);
        const std::optional<qint64> start = decoder_.next();
        if (!start)
            return std::nullopt;
        return picture(*start);
    }

private:
    SegmentPicture picture(qint64 time) {
        return {time, std::make_shared<FFmpegPicture>(decoder_.frame(), size_)};
    }

    // Decodes up to the picture shown at `time`, keeping it and the one after it. False when the
    // first picture already starts after `time` and `mustReachBack` asks for an earlier one.
    bool holdPictureAt(qint64 time, bool mustReachBack) {
        std::optional<SegmentPicture> shown;
        while (const std::optional<qint64> start = decoder_.next()) {
            if (*start > time) {
                if (!shown) {
                    if (mustReachBack)
                        return false;
                    held_ = picture(*start);
                    return true;
                }
                ahead_ = picture(*start);
                break;
            }
            shown = picture(*start);
        }
        held_ = std::move(shown);
        return held_ || !mustReachBack;
    }

    std::unique_ptr<MovieInput> input_;
    QSize size_;
    VideoDecoder decoder_;
    std::optional<SegmentPicture> held_;
    std::optional<SegmentPicture> ahead_;
};

} // namespace

std::unique_ptr<SegmentPictures> openSegmentPictures(const QString& file) {
    auto input = std::make_unique<MovieInput>(file, kNoVideo);
    const AVStream* stream = input->videoStream();
    if (!stream)
        return nullptr;
    if (stream->codecpar->width <= 0 || stream->codecpar->height <= 0)
        throw LumbexError(kNoVideo);
    return std::make_unique<SegmentPictureDecoder>(*stream, std::move(input));
}

} // namespace lumbex
