#pragma once

#include "platform/recording_media.h"

#include <QString>
#include <functional>

namespace lumbex {

// Receives decoded sound, its `time` in the segment file's own timeline (µs).
using SegmentSoundSink = std::function<void(const AudioSample&)>;

// Decodes the sound of track `trackId` of a segment file that lies in [start, end) of the
// file's timeline and hands it to `sink` in order, cut exactly at both ends. Throws LumbexError.
using SegmentSoundReader = std::function<void(const QString& file, qint32 trackId, qint64 start,
                                              qint64 end, const SegmentSoundSink& sink)>;

// FFmpeg's AAC decoder over the segment files written by the movie writer: 48 kHz stereo float.
// Throws "The audio timeline could not be created." when the track is missing or unreadable.
void readSegmentSound(const QString& file, qint32 trackId, qint64 start, qint64 end,
                      const SegmentSoundSink& sink);

} // namespace lumbex
