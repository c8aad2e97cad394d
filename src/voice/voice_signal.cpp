#include "voice/voice_signal.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

constexpr double kWindowSeconds = 0.02;
constexpr double kSlackSeconds = 0.5;
constexpr double kNoiseFactor = 4.0;
constexpr double kThresholdFloor = 1e-7;
// 80 ms of voiced audio, a hair below so that four exact 20 ms windows reach it.
constexpr double kVoicedRunSeconds = 0.079999;
constexpr double kMeterGain = 6.0;

} // namespace

double VoiceSignal::append(const AudioBuffer& buffer) {
    const std::lock_guard lock(mutex_);
    const double rate = buffer.format.sampleRate;
    const int channels = buffer.format.channels;
    const qint64 frameCount = buffer.frames();
    if (!(rate > 0) || !std::isfinite(rate) || channels <= 0 || frameCount == 0)
        return 0;
    sampleRate_ = rate;
    const qint64 window = std::max<qint64>(qint64(std::floor(rate * kWindowSeconds)), 1);
    double sum = 0;
    const float* sample = buffer.samples.data();
    for (qint64 frame = 0; frame < frameCount; ++frame) {
        double loudest = 0;
        for (int channel = 0; channel < channels; ++channel, ++sample) {
            const double value = *sample;
            if (std::isfinite(value))
                loudest = std::max(loudest, value * value);
        }
        sum += loudest;
        pendingEnergy_ += loudest;
        ++pendingFrames_;
        ++frames_;
        if (pendingFrames_ >= window) {
            windows_.push_back({double(frames_ - window) / rate, double(frames_) / rate,
                                pendingEnergy_ / double(window)});
            pendingFrames_ = 0;
            pendingEnergy_ = 0;
        }
    }
    return std::min(std::sqrt(sum / double(frameCount)) * kMeterGain, 1.0);
}

bool VoiceSignal::hasSignal(std::optional<AudioTimeRange> range) const {
    const std::lock_guard lock(mutex_);
    if (!(sampleRate_ > 0))
        return false;
    const double start = range ? range->start : 0;
    const double end = range ? range->end : double(frames_) / sampleRate_;
    if (!std::isfinite(start) || !std::isfinite(end) || start >= end)
        return false;

    const double lower = std::max(start - kSlackSeconds, 0.0);
    const double upper = end + kSlackSeconds;
    const auto near = [&](const Window& w) { return w.start < upper && w.end > lower; };
    std::vector<Window> candidates;
    for (const Window& w : windows_)
        if (near(w))
            candidates.push_back(w);
    if (pendingFrames_ > 0) {
        const Window partial{double(frames_ - pendingFrames_) / sampleRate_,
                             double(frames_) / sampleRate_,
                             pendingEnergy_ / double(pendingFrames_)};
        if (near(partial))
            candidates.push_back(partial);
    }
    if (candidates.empty())
        return false;

    std::vector<double> powers;
    powers.reserve(candidates.size());
    for (const Window& w : candidates)
        powers.push_back(w.power);
    std::sort(powers.begin(), powers.end());
    const double noiseFloor = powers[powers.size() / 5];
    const double threshold =
        std::min(std::max(kNoiseFactor * noiseFloor, kThresholdFloor), kMinimumPower);

    double run = 0;
    for (const Window& w : candidates) {
        if (w.power < threshold) {
            run = 0;
            continue;
        }
        const double overlap = std::min(w.end, end) - std::max(w.start, start);
        if (overlap >= 0)
            run += overlap;
        if (run >= kVoicedRunSeconds)
            return true;
    }
    return false;
}

std::vector<VoiceSignal::Window> VoiceSignal::windows() const {
    const std::lock_guard lock(mutex_);
    return windows_;
}

} // namespace lumbex
