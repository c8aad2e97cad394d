#include "voice/audio_converter.h"

#include "core/error.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumbex {
namespace {

constexpr int kZeroCrossings = 16;
constexpr int kPhases = 512;
// The pass band ends a little below Nyquist, leaving the transition band to the window.
constexpr double kPassFraction = 0.92;

double sinc(double x) {
    if (std::abs(x) < 1e-12)
        return 1;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// Blackman window over [-1, 1].
double blackman(double x) {
    if (std::abs(x) >= 1)
        return 0;
    const double a = std::numbers::pi * (x + 1);
    return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
}

bool usable(const AudioFormat& format) {
    return std::isfinite(format.sampleRate) && format.sampleRate >= 1 &&
           format.sampleRate <= 768'000 && format.channels >= 1 && format.channels <= 32;
}

} // namespace

AudioConverter::AudioConverter(const AudioFormat& source, const AudioFormat& target)
    : source_(source), target_(target) {
    if (!usable(source) || !usable(target) ||
        (target.channels != 1 && target.channels != source.channels))
        throw LumbexError(QStringLiteral("This audio format cannot be transcribed."));
    resample_ = source.sampleRate != target.sampleRate;
    if (!resample_)
        return;
    step_ = source.sampleRate / target.sampleRate;
    const double cutoff = std::min(1.0, 1.0 / step_) * kPassFraction;
    half_ = int(std::ceil(kZeroCrossings / cutoff));
    phases_ = kPhases;
    table_.resize(size_t(2 * half_ * phases_ + 2));
    for (size_t i = 0; i < table_.size(); ++i) {
        const double offset = double(i) / phases_ - half_;
        table_[i] = float(cutoff * sinc(cutoff * offset) * blackman(offset / half_));
    }
    // Silence before the first frame, so that the first outputs have their full look-back.
    history_.assign(size_t(half_ * target.channels), 0.0f);
    historyStart_ = -half_;
}

float AudioConverter::tap(double offset) const {
    const double position = (offset + half_) * phases_;
    const size_t index = size_t(position);
    const float fraction = float(position - double(index));
    return table_[index] + (table_[index + 1] - table_[index]) * fraction;
}

void AudioConverter::take(const AudioBuffer& buffer) {
    const int in = source_.channels;
    const int out = target_.channels;
    const qint64 frames = buffer.frames();
    history_.reserve(history_.size() + size_t(frames * out));
    const float* sample = buffer.samples.data();
    for (qint64 f = 0; f < frames; ++f, sample += in) {
        if (out == in) {
            history_.insert(history_.end(), sample, sample + in);
            continue;
        }
        float sum = 0;
        for (int c = 0; c < in; ++c)
            sum += std::isfinite(sample[c]) ? sample[c] : 0.0f;
        history_.push_back(sum / float(in));
    }
    inputFrames_ += frames;
}

AudioBuffer AudioConverter::convert(const AudioBuffer& buffer) {
    if (!(buffer.format == source_))
        throw LumbexError(QStringLiteral("The microphone format changed."));
    take(buffer);
    return produce(false);
}

AudioBuffer AudioConverter::finish() {
    if (!resample_)
        return {target_, {}};
    // Silence after the last frame lets the filter reach the end of the input.
    history_.insert(history_.end(), size_t((half_ + 1) * target_.channels), 0.0f);
    return produce(true);
}

AudioBuffer AudioConverter::produce(bool draining) {
    const int channels = target_.channels;
    AudioBuffer output{target_, {}};
    if (!resample_) {
        output.samples.swap(history_);
        history_.clear();
        return output;
    }
    const qint64 available = historyStart_ + qint64(history_.size()) / channels;
    const qint64 wanted = qint64(std::ceil(double(inputFrames_) / step_));
    output.samples.reserve(size_t((double(inputFrames_ - historyStart_) / step_ + 2) * channels));
    while (true) {
        const double time = double(outputFrames_) * step_;
        const qint64 centre = qint64(std::floor(time));
        if (centre + half_ >= available || (draining && outputFrames_ >= wanted) ||
            (!draining && centre >= inputFrames_))
            break;
        const double fraction = time - double(centre);
        for (int c = 0; c < channels; ++c) {
            double sum = 0;
            for (qint64 k = centre - half_ + 1; k <= centre + half_; ++k)
                sum += history_[size_t((k - historyStart_) * channels + c)] *
                       tap(double(centre - k) + fraction);
            output.samples.push_back(float(sum));
        }
        ++outputFrames_;
    }
    // Keep only what the next output still looks back at.
    const qint64 keepFrom = qint64(std::floor(double(outputFrames_) * step_)) - half_;
    if (keepFrom > historyStart_) {
        history_.erase(history_.begin(),
                       history_.begin() + std::min<qint64>(qint64(history_.size()),
                                                           (keepFrom - historyStart_) * channels));
        historyStart_ = keepFrom;
    }
    return output;
}

} // namespace lumbex
