#include "voice/voice_signal.h"

#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace lumbex {
namespace {

constexpr double kRate = 16000;

// A piece of a test signal: `seconds` of a sine at `amplitude` (0: silence).
struct Piece {
    double seconds;
    double amplitude;
};

AudioBuffer tone(const std::vector<Piece>& pieces, int channels = 1, double rate = kRate) {
    AudioBuffer buffer{{rate, channels}, {}};
    qint64 n = 0;
    for (const Piece& piece : pieces) {
        const qint64 frames = qint64(std::llround(piece.seconds * rate));
        for (qint64 i = 0; i < frames; ++i, ++n)
            for (int c = 0; c < channels; ++c)
                buffer.samples.push_back(float(piece.amplitude * std::sin(n * 0.3)));
    }
    return buffer;
}

TEST(VoiceSignalTest, SilenceHasLevelZeroAndNoSignal) {
    VoiceSignal signal;
    EXPECT_EQ(signal.append(tone({{3.0, 0}})), 0);
    EXPECT_FALSE(signal.hasSignal());
    EXPECT_EQ(signal.windows().size(), 150u);
}

TEST(VoiceSignalTest, WindowsAreTwentyMillisecondsOfMeanPower) {
    VoiceSignal signal;
    AudioBuffer buffer{{kRate, 2}, std::vector<float>(2 * 640, 0.0f)};
    // Frame 0 of window 1: the louder channel counts.
    buffer.samples[2 * 320] = 0.1f;
    buffer.samples[2 * 320 + 1] = -0.5f;
    signal.append(buffer);
    const auto windows = signal.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_DOUBLE_EQ(windows[1].start, 0.02);
    EXPECT_DOUBLE_EQ(windows[1].end, 0.04);
    EXPECT_DOUBLE_EQ(windows[1].power, 0.25 / 320);
    EXPECT_EQ(windows[0].power, 0);
}

TEST(VoiceSignalTest, WindowsSpanBufferBoundaries) {
    VoiceSignal signal;
    signal.append(tone({{0.015, 0.5}}));
    EXPECT_TRUE(signal.windows().empty());
    signal.append(tone({{0.015, 0.5}}));
    const auto windows = signal.windows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_DOUBLE_EQ(windows[0].end, 0.02);
}

TEST(VoiceSignalTest, NonFiniteSamplesAreSkipped) {
    VoiceSignal signal;
    AudioBuffer buffer{{100, 1}, {NAN, INFINITY, 0.5f}};
    EXPECT_DOUBLE_EQ(signal.append(buffer), std::min(std::sqrt(0.25 / 3) * 6, 1.0));
    // 100 Hz: a window of 2 frames; the non-finite ones weigh nothing.
    ASSERT_EQ(signal.windows().size(), 1u);
    EXPECT_EQ(signal.windows()[0].power, 0);
}

TEST(VoiceSignalTest, LevelIsScaledRootMeanSquareCappedAtOne) {
    VoiceSignal signal;
    AudioBuffer quiet{{kRate, 1}, std::vector<float>(160, 0.01f)};
    EXPECT_NEAR(signal.append(quiet), 0.06, 1e-7);
    AudioBuffer loud{{kRate, 1}, std::vector<float>(160, 0.5f)};
    EXPECT_EQ(signal.append(loud), 1.0);
}

TEST(VoiceSignalTest, EmptyOrFormatlessBuffersMeasureNothing) {
    VoiceSignal signal;
    EXPECT_EQ(signal.append(AudioBuffer{{0, 1}, {0.5f}}), 0);
    EXPECT_EQ(signal.append(AudioBuffer{{kRate, 0}, {0.5f}}), 0);
    EXPECT_EQ(signal.append(AudioBuffer{{kRate, 1}, {}}), 0);
    EXPECT_FALSE(signal.hasSignal());
    EXPECT_TRUE(signal.windows().empty());
}

struct SignalCase {
    const char* name;
    std::vector<Piece> audio;
    std::optional<AudioTimeRange> range;
    bool expected;
};

class VoiceSignalCases : public testing::TestWithParam<SignalCase> {};

TEST_P(VoiceSignalCases, FindsSpeechLikeSignal) {
    VoiceSignal signal;
    signal.append(tone(GetParam().audio));
    EXPECT_EQ(signal.hasSignal(GetParam().range), GetParam().expected);
}

// A quiet room (noise at -70 dB) around the test sounds.
constexpr double kNoise = 0.0003;

INSTANTIATE_TEST_SUITE_P(
    Table, VoiceSignalCases,
    testing::Values(
        SignalCase{"click_of_50ms_is_not_speech",
                   {{1.0, kNoise}, {0.05, 0.3}, {1.0, kNoise}},
                   std::nullopt,
                   false},
        SignalCase{"speech_of_80ms_is_enough",
                   {{1.0, kNoise}, {0.08, 0.3}, {1.0, kNoise}},
                   std::nullopt,
                   true},
        SignalCase{"every_window_loud_still_speech", {{2.0, 0.5}}, std::nullopt, true},
        SignalCase{
            "quiet_hum_below_minimum_power_is_not_speech", {{2.0, 0.002}}, std::nullopt, false},
        SignalCase{"range_over_the_speech",
                   {{1.0, kNoise}, {0.3, 0.3}, {1.0, kNoise}},
                   AudioTimeRange{1.0, 1.3},
                   true},
        SignalCase{"range_over_quiet_beside_speech_is_quiet",
                   {{1.0, kNoise}, {0.3, 0.3}, {1.0, kNoise}},
                   AudioTimeRange{1.4, 2.2},
                   false},
        SignalCase{"range_starting_mid_window_counts_partial_overlap",
                   {{1.0, kNoise}, {0.3, 0.3}, {1.0, kNoise}},
                   AudioTimeRange{1.005, 1.095},
                   true},
        SignalCase{"range_shorter_than_a_window_finds_its_neighbours_but_too_little_voice",
                   {{1.0, kNoise}, {0.3, 0.3}, {1.0, kNoise}},
                   AudioTimeRange{1.101, 1.109},
                   false},
        SignalCase{"range_past_the_end_finds_the_last_windows_within_slack",
                   {{1.0, kNoise}, {0.3, 0.3}},
                   AudioTimeRange{1.2, 1.7},
                   true},
        SignalCase{
            "range_beyond_the_slack_finds_nothing", {{1.0, 0.3}}, AudioTimeRange{1.6, 2.0}, false},
        SignalCase{"empty_range", {{1.0, 0.3}}, AudioTimeRange{0.5, 0.5}, false},
        SignalCase{"reversed_range", {{1.0, 0.3}}, AudioTimeRange{0.6, 0.5}, false},
        SignalCase{"infinite_range", {{1.0, 0.3}}, AudioTimeRange{0, INFINITY}, false},
        SignalCase{"nan_range", {{1.0, 0.3}}, AudioTimeRange{NAN, 0.5}, false},
        SignalCase{"two_clicks_apart_do_not_add_up",
                   {{1.0, kNoise}, {0.05, 0.3}, {0.04, kNoise}, {0.05, 0.3}, {1.0, kNoise}},
                   std::nullopt,
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VoiceSignalTest, NothingMeasuredYetHasNoSignal) {
    const VoiceSignal signal;
    EXPECT_FALSE(signal.hasSignal());
    EXPECT_FALSE(signal.hasSignal(AudioTimeRange{0, 1}));
}

TEST(VoiceSignalTest, ReadsWhileWritingFromAnotherThread) {
    VoiceSignal signal;
    std::thread writer([&] {
        for (int i = 0; i < 200; ++i)
            signal.append(tone({{0.01, 0.3}}));
    });
    for (int i = 0; i < 200; ++i)
        signal.hasSignal();
    writer.join();
    EXPECT_EQ(signal.windows().size(), 100u);
    EXPECT_TRUE(signal.hasSignal());
}

} // namespace
} // namespace lumbex
