#include "core/error.h"
#include "records/recording_time.h"
#include "records/screen_recording.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace lumbex {
namespace {

constexpr char kNoSegments[] =
    "The recording has no complete segments or contains duplicate segments.";
constexpr char kBadSegment[] = "A recording segment is incomplete or has changed dimensions.";
constexpr char kBadRange[] = "Choose a valid recording range.";
constexpr char kBadCrop[] = "The recording crop is outside the video.";
constexpr char kBadRedaction[] = "A recording redaction has an invalid area or time range.";

constexpr qint64 kDay = 86'400'000'000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Rec = ScreenRecording;

// 1920 x 1080 segments of the given durations.
ScreenRecording recordingOf(const std::vector<qint64>& durations) {
    ScreenRecording r = ScreenRecording::make();
    for (qint64 d : durations) {
        RecordingSegment s;
        s.id = newId();
        s.width = 1920;
        s.height = 1080;
        s.duration = d;
        s.sha256 = QString(64, u'a');
        s.byteCount = 100;
        r.segments.push_back(s);
    }
    return r;
}

std::string refusal(const ScreenRecording& r) {
    try {
        r.validate();
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(RecordingTimeLabel, PrintsUnwrappedMinutesSecondsAndTruncatedMilliseconds) {
    const std::pair<qint64, const char*> rows[] = {
        {1'999, "00:00.001"},
        {6'000'000'000, "100:00.000"},
        {-1, "00:00.000"},
        {std::numeric_limits<qint64>::max(), "153722867280:54.775"},
    };
    for (const auto& [microseconds, label] : rows)
        EXPECT_EQ(recordingTimeLabel(microseconds).toStdString(), label) << microseconds;
}

TEST(RecordingSeconds, ConvertsDecimalSecondsExactly) {
    const struct {
        const char* text;
        std::optional<qint64> microseconds;
    } cases[] = {
        {"2.5", 2'500'000},
        {"0.000999", 999},
        {"0.1", 100'000},
        {"3", 3'000'000},
        {"4.000000", 4'000'000},
        {"86400", 86'400'000'000},
        {"1.000001", 1'000'001},
        {"86400.000001", std::nullopt},
        {"0.0000001", std::nullopt},
        {"-1", std::nullopt},
        {"1e3", std::nullopt},
        {"", std::nullopt},
        {".5", std::nullopt},
        {"5.", std::nullopt},
        {" 1", std::nullopt},
        {"1,5", std::nullopt},
        {"999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseRecordingSeconds(QString::fromUtf8(c.text)), c.microseconds);
    }
}

TEST(ScreenRecording, OutputTimeCountsFromTheSelectionStart) {
    constexpr std::optional<qint64> kNone;
    using Times = std::vector<std::pair<qint64, std::optional<qint64>>>;
    const std::pair<std::optional<RecordingRange>, Times> rows[] = {
        {std::nullopt, {{-1, kNone}, {0, 0}, {9999, 9999}, {10000, kNone}}},
        {RecordingRange{2000, 5000}, {{1999, kNone}, {2000, 0}, {4999, 2999}, {5000, kNone}}}};
    for (const auto& [trim, times] : rows) {
        ScreenRecording r = recordingOf({4000, 6000});
        r.trim = trim;
        for (const auto& [source, output] : times)
            EXPECT_EQ(r.outputTime(source), output) << source << (trim ? " trimmed" : "");
    }
}

TEST(ScreenRecording, SuggestedFrameTimesAreStartMiddleAndLastFrame) {
    const std::pair<RecordingRange, std::vector<qint64>> rows[] = {
        {{1'000'000, 2'000'000}, {1'000'000, 1'500'000, 1'966'666}},
        {{5, 8}, {5, 6}},
        {{0, 1}, {0}}};
    for (const auto& [selection, times] : rows) {
        ScreenRecording r = recordingOf({2'000'000});
        r.trim = selection;
        EXPECT_EQ(r.suggestedFrameTimes(), times) << selection.start << " to " << selection.end;
    }
}

TEST(ScreenRecording, RecoveryNoticeNamesTheRecoveredLength) {
    ScreenRecording r = recordingOf({3'000'000'000, 723'456'789});
    EXPECT_EQ(r.recoveryNotice(), std::nullopt);
    r.recovery = RecordingRecovery::Partial;
    EXPECT_EQ(r.recoveryNotice()->toStdString(),
              "Recovered through 62:03.456. The recording was interrupted; video or audio may be "
              "missing.");
}

TEST(ScreenRecordingValidate, NeedsOneToTenThousandDistinctSegments) {
    EXPECT_EQ(refusal(recordingOf({})), kNoSegments);
    EXPECT_EQ(refusal(recordingOf(std::vector<qint64>(10'000, 1'000))), "");
    EXPECT_EQ(refusal(recordingOf(std::vector<qint64>(10'001, 1'000))), kNoSegments);
    ScreenRecording r = recordingOf({5'000'000, 5'000'000});
    r.segments[1].id = r.segments[0].id;
    EXPECT_EQ(refusal(r), kNoSegments);
}

TEST(ScreenRecordingValidate, SegmentFieldsStayWithinLimits) {
    using S = RecordingSegment;
    const char* bad = kBadSegment;
    using Values = std::vector<std::pair<qint64, const char*>>;
    const std::pair<qint64 S::*, Values> rows[] = {
        {&S::width, {{1, bad}, {2, ""}, {16'385, bad}}},
        {&S::sourceStart, {{-1, bad}, {kDay + 1, bad}}},
        // A one-microsecond segment is accepted; only the selection is then too short.
        {&S::duration, {{0, bad}, {1, kBadRange}, {kDay, ""}, {kDay + 1, bad}}},
        {&S::byteCount, {{0, bad}, {1, ""}}}};
    for (const auto& [field, values] : rows) {
        for (const auto& [value, expected] : values) {
            ScreenRecording r = recordingOf({5'000'000});
            r.segments[0].*field = value;
            EXPECT_EQ(refusal(r), expected) << value;
        }
    }
}

struct Row {
    const char* what;
    std::function<void(Rec&)> change;
    const char* refusal;
};

// Two 5-second segments, unless a row changes them.
void expectValidation(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        ScreenRecording r = recordingOf({5'000'000, 5'000'000});
        row.change(r);
        EXPECT_EQ(refusal(r), row.refusal) << row.what;
    }
}

TEST(ScreenRecordingValidate, SegmentsKeepTheFirstSizeAndAFullDigest) {
    expectValidation({
        {"narrower second", [](Rec& r) { r.segments[1].width = 1918; }, kBadSegment},
        {"short digest", [](Rec& r) { r.segments[1].sha256.chop(1); }, kBadSegment},
    });
}

TEST(ScreenRecordingValidate, NeedsASelectionOfAtLeastOneMillisecondWithinADay) {
    const auto segments = [](qint64 first, qint64 second) {
        return [=](Rec& r) { r = recordingOf({first, second}); };
    };
    const auto trimTo = [](qint64 start, qint64 end) {
        return [=](Rec& r) { r.trim = RecordingRange{start, end}; };
    };
    expectValidation({
        {"total of a day", segments(kDay / 2, kDay / 2), ""},
        {"total past a day", segments(kDay / 2, kDay / 2 + 1), kBadRange},
        {"untrimmed 999 µs", segments(500, 499), kBadRange},
        {"untrimmed 1000 µs", segments(500, 500), ""},
        {"trim past the end", trimTo(5000, 10'000'001), kBadRange},
        {"reversed trim", trimTo(5000, 1000), kBadRange},
        {"trim ending at the lowest time", trimTo(1000, std::numeric_limits<qint64>::min()),
         kBadRange},
    });
}

TEST(ScreenRecordingValidate, CropIsAtLeastTwoPixelsInsideTheVideo) {
    const auto cropTo = [](Rect crop) { return [crop](Rec& r) { r.crop = crop; }; };
    expectValidation({
        {"2 x 2", cropTo({100, 100, 2, 2}), ""},
        {"1.5 wide", cropTo({100, 100, 1.5, 20}), kBadCrop},
        {"past the right edge", cropTo({1, 0, 1920, 1080}), kBadCrop},
        {"not a number", cropTo({kNaN, 0, 100, 100}), kBadCrop},
    });
}

TEST(ScreenRecordingValidate, RedactionsNeedAnAreaAndATimeInsideTheRecording) {
    const auto redact = [](RecordingRange range, Rect rect) {
        return [=](Rec& r) {
            r.redactions = {{newId(), {0, 10}, {0, 0, 10, 10}}, {newId(), range, rect}};
        };
    };
    const Rect area{100, 100, 50, 50};
    expectValidation({
        {"last microsecond", redact({9'999'999, 10'000'000}, area), ""},
        {"empty range", redact({5000, 5000}, area), kBadRedaction},
        {"ends past the recording", redact({0, 10'000'001}, area), kBadRedaction},
        {"zero width", redact({0, 10}, {100, 100, 0, 50}), kBadRedaction},
        {"past the bottom edge", redact({0, 10}, {0, 1000, 50, 81}), kBadRedaction},
        // The crop narrows what is shown, not where a redaction may lie.
        {"outside the crop",
         [&](Rec& r) {
             r.crop = Rect{0, 0, 100, 100};
             redact({0, 10}, {500, 500, 50, 50})(r);
         },
         ""},
    });
}

TEST(ScreenRecordingValidate, ReportsTheFirstFailingRule) {
    ScreenRecording r = recordingOf({5'000'000, 5'000'000});
    r.redactions = {{newId(), {0, 0}, {}}};
    EXPECT_EQ(refusal(r), kBadRedaction);
    r.crop = Rect{0, 0, 1, 1};
    EXPECT_EQ(refusal(r), kBadCrop);
    r.trim = RecordingRange{0, 999};
    EXPECT_EQ(refusal(r), kBadRange);
    for (RecordingSegment& s : r.segments)
        s.width = 1;
    EXPECT_EQ(refusal(r), kBadSegment);
    r.segments[1].id = r.segments[0].id;
    EXPECT_EQ(refusal(r), kNoSegments);
}

} // namespace
} // namespace lumbex

namespace lumbex {
namespace {

TEST(RecordingMicroseconds, RoundsHalfAwayFromZeroAndRefusesWhatIsNoTime) {
    struct Row {
        MediaTime time;
        qint64 microseconds;
    };
    const Row rows[] = {
        {{600, 600}, 1000000},     {{1, 3}, 333333},
        {{2, 3}, 666667},          {{1, 2000000}, 1},
        {{-1, 2000000}, -1},       {{3, 4000000}, 1},
        {{-3, 4000000}, -1},       {{90000, 90000}, 1000000},
        {{12345, 1000000}, 12345}, {{999999999, 1}, 999999999000000},
    };
    for (const Row& row : rows)
        EXPECT_EQ(recordingMicroseconds(row.time), row.microseconds)
            << row.time.value << "/" << row.time.timescale;

    for (const MediaTime bad : {MediaTime{1, 0}, MediaTime{1, -600}, MediaTime{1000000000, 1},
                                MediaTime{-1000000000, 1}, MediaTime{INT64_MAX, 1000000}}) {
        try {
            recordingMicroseconds(bad);
            ADD_FAILURE() << bad.value << "/" << bad.timescale << " was accepted";
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("The recording has an invalid timestamp."));
        }
    }
    EXPECT_EQ(recordingMicroseconds(recordingMediaTime(-42)), -42);
}

} // namespace
} // namespace lumbex
