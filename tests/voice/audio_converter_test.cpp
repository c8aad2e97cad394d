#include "voice/audio_converter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace lumbex {
namespace {

const AudioFormat kRecogniser{16000, 1};

AudioBuffer sine(double frequency, double seconds, AudioFormat format, double amplitude = 0.5) {
    const qint64 frames = qint64(std::llround(seconds * format.sampleRate));
    AudioBuffer buffer{format, {}};
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < format.channels; ++c)
            buffer.samples.push_back(float(
                amplitude * std::sin(2 * std::numbers::pi * frequency * i / format.sampleRate)));
    return buffer;
}

AudioBuffer convertAll(AudioConverter& converter, const AudioBuffer& input, qint64 chunk) {
    AudioBuffer out{converter.target(), {}};
    const int channels = input.format.channels;
    for (qint64 at = 0; at < input.frames(); at += chunk) {
        AudioBuffer part{input.format,
                         {input.samples.begin() + at * channels,
                          input.samples.begin() + std::min(at + chunk, input.frames()) * channels}};
        const AudioBuffer converted = converter.convert(part);
        out.samples.insert(out.samples.end(), converted.samples.begin(), converted.samples.end());
    }
    const AudioBuffer tail = converter.finish();
    out.samples.insert(out.samples.end(), tail.samples.begin(), tail.samples.end());
    return out;
}

// Root mean square of the middle of a buffer, away from the edges' ramps.
double middleLevel(const AudioBuffer& buffer) {
    const size_t from = buffer.samples.size() / 4;
    const size_t to = buffer.samples.size() * 3 / 4;
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(buffer.samples[i]) * buffer.samples[i];
    return std::sqrt(sum / double(to - from));
}

struct RateCase {
    double sourceRate;
    int channels;
};

class AudioConverterRates : public testing::TestWithParam<RateCase> {};

TEST_P(AudioConverterRates, KeepsSpeechBandToneAndLength) {
    const AudioFormat source{GetParam().sourceRate, GetParam().channels};
    AudioConverter converter(source, kRecogniser);
    const AudioBuffer out = convertAll(converter, sine(440, 1.0, source), 4096);
    EXPECT_EQ(out.format, kRecogniser);
    EXPECT_EQ(out.frames(), 16000);
    EXPECT_NEAR(middleLevel(out), 0.5 / std::sqrt(2.0), 0.005);
    // The tone's phase survives: sample 8000 of the output is 0.5 s into the sine.
    const double expected = 0.5 * std::sin(2 * std::numbers::pi * 440 * 0.5);
    EXPECT_NEAR(out.samples[8000], expected, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Table, AudioConverterRates,
                         testing::Values(RateCase{48000, 1}, RateCase{44100, 2}, RateCase{16000, 2},
                                         RateCase{8000, 1}, RateCase{22050, 1},
                                         RateCase{96000, 2}));

TEST(AudioConverterTest, RemovesToneAboveTheRecognisersBand) {
    const AudioFormat source{48000, 1};
    AudioConverter converter(source, kRecogniser);
    // 11 kHz would fold back to 5 kHz without the low-pass.
    const AudioBuffer out = convertAll(converter, sine(11000, 1.0, source), 1000);
    EXPECT_LT(middleLevel(out), 0.005);
}

TEST(AudioConverterTest, ChunkSizeDoesNotChangeTheResult) {
    const AudioFormat source{44100, 2};
    const AudioBuffer input = sine(300, 0.5, source);
    AudioConverter whole(source, kRecogniser);
    AudioConverter pieces(source, kRecogniser);
    const AudioBuffer a = convertAll(whole, input, input.frames());
    const AudioBuffer b = convertAll(pieces, input, 7);
    ASSERT_EQ(a.samples.size(), b.samples.size());
    for (size_t i = 0; i < a.samples.size(); ++i)
        ASSERT_NEAR(a.samples[i], b.samples[i], 1e-6) << i;
}

TEST(AudioConverterTest, DownmixAveragesChannels) {
    AudioConverter converter({16000, 2}, kRecogniser);
    const AudioBuffer out = converter.convert({{16000, 2}, {1.0f, 0.0f, 0.5f, -0.5f}});
    EXPECT_EQ(out.samples, (std::vector<float>{0.5f, 0.0f}));
}

TEST(AudioConverterTest, RefusesFormatsItCannotConvert) {
    for (const AudioFormat& source :
         {AudioFormat{0, 1}, AudioFormat{48000, 0}, AudioFormat{NAN, 1}, AudioFormat{48000, 33}}) {
        try {
            AudioConverter converter(source, kRecogniser);
            ADD_FAILURE() << source.sampleRate << " " << source.channels;
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), "This audio format cannot be transcribed.");
        }
    }
}

TEST(AudioConverterTest, ABufferInAnotherFormatFails) {
    AudioConverter converter({48000, 1}, kRecogniser);
    EXPECT_THROW(converter.convert({{44100, 1}, {0.1f}}), LumbexError);
}

} // namespace
} // namespace lumbex
