#pragma once

#include "platform/segment_sound.h"
#include "recording/recording_composition.h"

#include <memory>
#include <vector>

namespace lumbex {

// The composed movie's sound in output time, as an export writes it: the placed kinds of each
// piece (recorded and not muted) summed and limited to full scale, silence under a piece that
// has none.
class CompositionSound {
public:
    CompositionSound(std::shared_ptr<const RecordingComposition> composition,
                     SegmentSoundReader read);

    // Whether any piece places a sound.
    bool audible() const;
    // 48 kHz stereo float for output µs [from, to): frameIndex(to) − frameIndex(from) frames, so
    // that consecutive windows join without a gap or an overlap.
    std::vector<float> read(qint64 from, qint64 to) const;

    static qint64 frameIndex(qint64 outputTime);

private:
    void addPiece(const CompositionPiece& piece, qint64 from, qint64 to,
                  std::vector<float>& mix) const;

    std::shared_ptr<const RecordingComposition> composition_;
    SegmentSoundReader read_;
};

} // namespace lumbex
