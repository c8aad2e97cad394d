#include "core/error.h"
#include "platform/ffmpeg_support.h"
#include "platform/movie_input.h"
#include "platform/recording_media.h"
#include "platform/video_decoder.h"

#include <optional>

namespace lumbex {
namespace {

const QString kNoVideo = QStringLiteral("The recording contains no readable video.");

QImage toImage(const AVFrame& frame, QSize size) {
    QImage image = decodedImage(frame, size);
    if (image.isNull())
        throw LumbexError(kNoVideo);
    return image;
}

// Decodes forward and keeps the last picture that starts at or before `time`; the first picture
// when all start later. Nothing when the first decoded picture is already past `time` and
// `mustReachBack` asks for an earlier start.
std::optional<QImage> pictureAt(VideoDecoder& decoder, qint64 time, QSize size,
                                bool mustReachBack) {
    std::optional<QImage> picture;
    while (const std::optional<qint64> start = decoder.next()) {
        if (*start > time && (picture || mustReachBack))
            break;
        picture = toImage(decoder.frame(), size);
        if (*start > time)
            break;
    }
    if (mustReachBack && !picture)
        return std::nullopt;
    return picture;
}

// Decodes the movie's picture at `time`, after seeking near it when `seekFirst`; nothing when
// that seek does not land at or before `time`.
std::optional<QImage> decodePicture(const QString& file, qint64 time, bool seekFirst) {
    MovieInput input(file, kNoVideo);
    const AVStream* stream = input.videoStream();
    if (!stream || stream->codecpar->width <= 0 || stream->codecpar->height <= 0)
        throw LumbexError(kNoVideo);
    const QSize size(stream->codecpar->width, stream->codecpar->height);
    VideoDecoder decoder(input, *stream, kNoVideo);
    if (seekFirst && !decoder.seek(time))
        return std::nullopt;
    return pictureAt(decoder, time, size, seekFirst);
}

} // namespace

QImage readRecordingFrame(const QString& file, qint64 time) {
    // A seek lands on the key frame before `time` when the demuxer has seen one there; otherwise
    // the movie is decoded from its start.
    if (time > 0)
        if (std::optional<QImage> picture = decodePicture(file, time, true))
            return *picture;
    const std::optional<QImage> picture = decodePicture(file, time, false);
    if (!picture)
        throw LumbexError(kNoVideo);
    return *picture;
}

} // namespace lumbex
