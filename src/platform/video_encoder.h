#pragma once

#include "platform/encoder_parts.h"
#include "platform/picture_fitter.h"

#include <QImage>
#include <functional>
#include <optional>

namespace lumbex {

// libx264 for screen pictures that arrive irregularly: microsecond timestamps, no frame
// reordering, and a key frame whenever `keyFrameMicroseconds` passed since the last one (a
// still screen sends no pictures, so a key frame interval counted in frames would not do).
class VideoEncoder {
public:
    // Throws "The video encoder could not be prepared.".
    VideoEncoder(int width, int height, qint64 bitRate, qint64 keyFrameMicroseconds,
                 bool globalHeader);

    const AVCodecContext& context() const { return *parts_.context; }

    // Encodes `image` as the picture shown from `time` (microseconds in the file) and passes on
    // the packets it yields, each lasting one frame.
    bool encode(const QImage& image, qint64 time, const PacketWriter& write);
    // Passes on the packets still inside the encoder; no picture may follow.
    bool drain(const PacketWriter& write);

private:
    // Encodes the picture the frame holds as shown from `time`.
    bool send(qint64 time, bool keyFrame, const PacketWriter& write);
    void notePacket(AVPacket& packet);

    EncoderParts parts_;
    PictureFitter fitter_;
    qint64 keyFrameMicroseconds_;
    std::optional<qint64> lastKeyFrame_;
};

} // namespace lumbex
