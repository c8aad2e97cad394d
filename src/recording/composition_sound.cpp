#include "recording/composition_sound.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

// More than a frame (about 21 µs) on either side of a read.
constexpr qint64 kReadSlack = 1'000;

// The frame a sample's time (whole µs, before the window too) belongs to.
qint64 nearestFrame(qint64 time) {
    return qint64(std::floor((double(time) * kRecordingAudioRate + 500'000) / 1'000'000));
}

} // namespace

CompositionSound::CompositionSound(std::shared_ptr<const RecordingComposition> composition,
                                   SegmentSoundReader read)
    : composition_(std::move(composition)), read_(std::move(read)) {}

bool CompositionSound::audible() const {
    return std::any_of(composition_->pieces().begin(), composition_->pieces().end(),
                       [](const CompositionPiece& piece) { return !piece.audio.empty(); });
}

qint64 CompositionSound::frameIndex(qint64 outputTime) {
    return outputTime * kRecordingAudioRate / 1'000'000;
}

std::vector<float> CompositionSound::read(qint64 from, qint64 to) const {
    const qint64 frames = std::max<qint64>(frameIndex(to) - frameIndex(from), 0);
    std::vector<float> mix(size_t(frames) * kRecordingAudioChannels, 0.0f);
    for (const CompositionPiece& piece : composition_->pieces())
        addPiece(piece, from, to, mix);
    for (float& sample : mix)
        sample = std::clamp(sample, -1.0f, 1.0f);
    return mix;
}

void CompositionSound::addPiece(const CompositionPiece& piece, qint64 from, qint64 to,
                                std::vector<float>& mix) const {
    const qint64 rangeStart = composition_->recording().selectedRange().start;
    const qint64 start = std::max(from, piece.source.start - rangeStart);
    const qint64 end = std::min(to, piece.source.end - rangeStart);
    if (start >= end)
        return;
    const RecordingSegment& segment = composition_->recording().segments.at(piece.segmentIndex);
    // File time to output time within this piece.
    const qint64 toOutput = piece.source.start - rangeStart - piece.fileStart;
    const qint64 firstFrame = frameIndex(from);
    // The piece's frames in `mix`: window edges fall between frames, so the reads reach a little
    // further and every frame lands by its own time.
    const qint64 pieceFirst = frameIndex(start) - firstFrame;
    const qint64 pieceEnd = frameIndex(end) - firstFrame;
    const qint64 readStart = std::max<qint64>(start - toOutput - kReadSlack, 0);
    const qint64 readEnd = end - toOutput + kReadSlack;
    for (const RecordingAudio kind : piece.audio) {
        const auto track = segment.audioTracks.find(kind);
        if (track == segment.audioTracks.end())
            continue;
        read_(piece.file, track->second, readStart, readEnd, [&](const AudioSample& sample) {
            const qint64 at = nearestFrame(sample.time + toOutput) - firstFrame;
            const qint64 first = std::max<qint64>(pieceFirst - at, 0);
            const qint64 last = std::min(sample.frameCount(), pieceEnd - at);
            for (qint64 frame = first; frame < last; ++frame)
                for (int channel = 0; channel < kRecordingAudioChannels; ++channel)
                    mix[size_t((at + frame) * kRecordingAudioChannels + channel)] +=
                        sample.samples[size_t(frame * kRecordingAudioChannels + channel)];
        });
    }
}

} // namespace lumbex
