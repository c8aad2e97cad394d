#include "recording/recording_sound_playback.h"

#include "core/error.h"

namespace lumbex {
namespace {

// Decoded at a time: each read opens the segment file, so not too often.
constexpr qint64 kReadWindow = 250'000;
// Written at a time, so that a stop is noticed within one of them.
constexpr qint64 kWriteFrames = kRecordingAudioRate / 50;

} // namespace

RecordingSoundPlayback::RecordingSoundPlayback(SegmentSoundReader read, SoundOutputOpener open)
    : read_(std::move(read)), open_(std::move(open)) {}

RecordingSoundPlayback::~RecordingSoundPlayback() {
    stop();
}

void RecordingSoundPlayback::start(std::shared_ptr<const RecordingComposition> composition,
                                   qint64 outputTime) {
    stop();
    if (!composition)
        return;
    const qint64 duration = composition->duration();
    stopping_ = false;
    thread_ = std::thread(
        [this, sound = CompositionSound(std::move(composition), read_), outputTime, duration] {
            if (!sound.audible())
                return;
            try {
                play(sound, outputTime, duration);
            } catch (const LumbexError& error) {
                const std::lock_guard lock(mutex_);
                problem_ = error.message();
            }
        });
}

void RecordingSoundPlayback::play(const CompositionSound& sound, qint64 from, qint64 duration) {
    const std::unique_ptr<SoundOutput> output = open_();
    for (qint64 time = from; time < duration && !stopping_; time += kReadWindow) {
        const std::vector<float> window = sound.read(time, std::min(time + kReadWindow, duration));
        const size_t slice = size_t(kWriteFrames) * kRecordingAudioChannels;
        for (size_t at = 0; at < window.size() && !stopping_; at += slice) {
            const auto end = window.begin() + qint64(std::min(window.size(), at + slice));
            output->write(std::vector<float>(window.begin() + qint64(at), end));
        }
    }
    if (stopping_)
        output->discard();
    else
        output->drain();
}

void RecordingSoundPlayback::stop() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::optional<QString> RecordingSoundPlayback::takeProblem() {
    const std::lock_guard lock(mutex_);
    return std::exchange(problem_, std::nullopt);
}

} // namespace lumbex
