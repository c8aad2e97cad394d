#pragma once

#include "platform/ffmpeg_support.h"
#include "platform/picture_fitter.h"

#include <QImage>
#include <functional>
#include <optional>

namespace lumbex {

// Receives each encoded packet, its timestamps in the encoder's time base; false stops encoding.
using PacketWriter = std::function<bool(AVPacket& packet)>;

// libx264 for screen pictures that arrive irregularly: microsecond timestamps, no frame
// reordering, and a key frame whenever `keyFrameMicroseconds` passed since the last one (a
// still screen sends no pictures, so a key frame interval counted in frames would not do).
class VideoEncoder {
public:
    // Throws "The video encoder could not be prepared.".
    VideoEncoder(int width, int height, qint64 bitRate, qint64 keyFrameMicroseconds,
                 bool globalHeader);

    const AVCodecContext& context() const { return *context_; }

    // Encodes `image` as the picture shown from `time` (microseconds in the file) and passes on
    // the packets it yields, each lasting one frame.
    bool encode(const QImage& image, qint64 time, const PacketWriter& write);
    // Passes on the packets still inside the encoder; no picture may follow.
    bool drain(const PacketWriter& write);

private:
    // Encodes what `frame_` holds at `time`.
    bool send(qint64 time, bool keyFrame, const PacketWriter& write);
    bool receivePackets(const PacketWriter& write);

    ffmpeg::CodecContextPtr context_;
    ffmpeg::FramePtr frame_;
    ffmpeg::PacketPtr packet_;
    PictureFitter fitter_;
    qint64 keyFrameMicroseconds_;
    std::optional<qint64> lastKeyFrame_;
};

} // namespace lumbex
