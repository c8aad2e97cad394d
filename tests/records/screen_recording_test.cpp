#include "core/error.h"
#include "records/screen_recording.h"

#include <cmath>
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
constexpr double kInfinity = std::numeric_limits<double>::infinity();

RecordingSegment segmentOf(qint64 duration, qint64 width = 1920, qint64 height = 1080) {
    RecordingSegment s;
    s.id = newId();
    s.width = width;
    s.height = height;
    s.duration = duration;
    s.sha256 = QString(64, u'a');
    s.byteCount = 100;
    return s;
}

ScreenRecording recordingOf(const std::vector<qint64>& durations) {
    ScreenRecording r = ScreenRecording::make();
    for (qint64 d : durations)
        r.segments.push_back(segmentOf(d));
    return r;
}

RecordingRedaction redactionOf(RecordingRange range, Rect rect) {
    return {newId(), range, rect};
}

// The message of the LumbexError that validate throws, or an empty string when it passes.
std::string refusal(const ScreenRecording& r) {
    try {
        r.validate();
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(ScreenRecording, NewRecordingIsEmpty) {
    const ScreenRecording r = ScreenRecording::make();
    EXPECT_FALSE(r.id.isNull());
    EXPECT_NE(r.id, ScreenRecording::make().id);
    EXPECT_EQ(r.title.toStdString(), "Recording");
    EXPECT_LT(std::abs(r.createdAt - now()), 60);
    EXPECT_TRUE(r.segments.empty() && r.redactions.empty());
    EXPECT_FALSE(r.trim || r.crop || r.recovery);
    EXPECT_FALSE(r.muteSystem || r.muteMicrophone);
}

TEST(ScreenRecording, RawValuesAndTrackTitles) {
    EXPECT_EQ(rawValue(RecordingAudio::System).toStdString(), "system");
    EXPECT_EQ(rawValue(RecordingAudio::Microphone).toStdString(), "microphone");
    EXPECT_EQ(recordingAudioFromRaw(u"system"), RecordingAudio::System);
    EXPECT_EQ(recordingAudioFromRaw(u"microphone"), RecordingAudio::Microphone);
    EXPECT_EQ(recordingAudioFromRaw(u"System"), std::nullopt);
    EXPECT_EQ(trackTitle(RecordingAudio::System).toStdString(), "Lumbex System Audio");
    EXPECT_EQ(trackTitle(RecordingAudio::Microphone).toStdString(), "Lumbex Microphone");

    EXPECT_EQ(rawValue(RecordingRecovery::Complete).toStdString(), "complete");
    EXPECT_EQ(rawValue(RecordingRecovery::Partial).toStdString(), "partial");
    EXPECT_EQ(recordingRecoveryFromRaw(u"complete"), RecordingRecovery::Complete);
    EXPECT_EQ(recordingRecoveryFromRaw(u"partial"), RecordingRecovery::Partial);
    EXPECT_EQ(recordingRecoveryFromRaw(u""), std::nullopt);

    RecordingSegment s;
    s.id = *parseId(u"0f8e2b3a-4c5d-4e6f-8a9b-0c1d2e3f4a5b");
    EXPECT_EQ(s.filename().toStdString(), "0F8E2B3A-4C5D-4E6F-8A9B-0C1D2E3F4A5B.mov");
}

TEST(ScreenRecording, DurationAndSelectionComeFromSegmentsAndTrim) {
    ScreenRecording r = recordingOf({});
    EXPECT_EQ(r.duration(), 0);
    EXPECT_EQ(r.selectedRange(), (RecordingRange{0, 0}));

    r = recordingOf({1'500'000, 2'000'000, 250});
    EXPECT_EQ(r.duration(), 3'500'250);
    EXPECT_EQ(r.selectedRange(), (RecordingRange{0, 3'500'250}));
    r.trim = RecordingRange{1000, 2'000'000};
    EXPECT_EQ(r.selectedRange(), (RecordingRange{1000, 2'000'000}));
}

TEST(ScreenRecording, ExtentIsTheFirstSegmentsSizeAndCropNarrowsIt) {
    ScreenRecording r = recordingOf({});
    EXPECT_EQ(r.extent(), Rect{});
    EXPECT_EQ(r.visibleRect(), Rect{});

    r.segments = {segmentOf(10, 1280, 720), segmentOf(10, 640, 480)};
    EXPECT_EQ(r.extent(), (Rect{0, 0, 1280, 720}));
    EXPECT_EQ(r.visibleRect(), (Rect{0, 0, 1280, 720}));
    r.crop = Rect{10, 20, 300, 200};
    EXPECT_EQ(r.visibleRect(), (Rect{10, 20, 300, 200}));
}

TEST(ScreenRecording, OutputTimeCountsFromTheSelectionStart) {
    struct Row {
        std::optional<RecordingRange> trim;
        qint64 source;
        std::optional<qint64> output;
    };
    const RecordingRange trim{2000, 5000};
    const Row rows[] = {
        {std::nullopt, -1, std::nullopt},
        {std::nullopt, 0, 0},
        {std::nullopt, 9999, 9999},
        {std::nullopt, 10000, std::nullopt},
        {trim, 0, std::nullopt},
        {trim, 1999, std::nullopt},
        {trim, 2000, 0},
        {trim, 4999, 2999},
        {trim, 5000, std::nullopt},
    };
    for (const Row& row : rows) {
        ScreenRecording r = recordingOf({4000, 6000});
        r.trim = row.trim;
        EXPECT_EQ(r.outputTime(row.source), row.output)
            << row.source << (row.trim ? " with trim" : " without trim");
    }
}

TEST(ScreenRecording, SuggestedFrameTimesAreStartMiddleAndLastFrame) {
    struct Row {
        RecordingRange selection;
        std::vector<qint64> times;
    };
    const Row rows[] = {
        {{0, 20'000}, {0, 10'000}},
        {{0, 100'000}, {0, 50'000, 66'666}},
        {{1'000'000, 2'000'000}, {1'000'000, 1'500'000, 1'966'666}},
        {{10'000, 43'334}, {10'000, 26'667}},
        {{5, 8}, {5, 6}},
        {{0, 1}, {0}},
    };
    for (const Row& row : rows) {
        ScreenRecording r = recordingOf({2'000'000});
        r.trim = row.selection;
        EXPECT_EQ(r.suggestedFrameTimes(), row.times)
            << row.selection.start << " to " << row.selection.end;
    }

    EXPECT_EQ(recordingOf({20'000}).suggestedFrameTimes(), (std::vector<qint64>{0, 10'000}));
}

TEST(ScreenRecording, RecoveryNoticeNamesTheRecoveredLength) {
    ScreenRecording r = recordingOf({3'000'000'000, 723'456'789});
    EXPECT_EQ(r.recoveryNotice(), std::nullopt);

    r.recovery = RecordingRecovery::Partial;
    EXPECT_EQ(r.recoveryNotice()->toStdString(),
              "Recovered through 62:03.456. The recording was interrupted; video or audio may be "
              "missing.");

    r.recovery = RecordingRecovery::Complete;
    EXPECT_EQ(r.recoveryNotice()->toStdString(),
              "Recovered through 62:03.456. Review the recovered recording before using it.");
}

struct ValidationRow {
    const char* what;
    std::function<void(ScreenRecording&)> change;
    const char* refusal;
};

// Two 5-second 1920 x 1080 segments, unless a row changes them.
void expectValidation(const std::vector<ValidationRow>& rows) {
    for (const ValidationRow& row : rows) {
        ScreenRecording r = recordingOf({5'000'000, 5'000'000});
        row.change(r);
        EXPECT_EQ(refusal(r), row.refusal) << row.what;
    }
}

void setSize(ScreenRecording& r, qint64 width, qint64 height) {
    for (RecordingSegment& s : r.segments) {
        s.width = width;
        s.height = height;
    }
}

TEST(ScreenRecordingValidate, NeedsDistinctSegments) {
    expectValidation({
        {"two segments", [](ScreenRecording&) {}, ""},
        {"no segments", [](ScreenRecording& r) { r.segments.clear(); }, kNoSegments},
        {"the same segment twice", [](ScreenRecording& r) { r.segments[1].id = r.segments[0].id; },
         kNoSegments},
        {"duplicate before a bad size",
         [](ScreenRecording& r) {
             r.segments[1].id = r.segments[0].id;
             setSize(r, 1, 1);
         },
         kNoSegments},
    });
}

TEST(ScreenRecordingValidate, AllowsAtMostTenThousandSegments) {
    for (const auto& [count, expected] : {std::pair<size_t, const char*>{10'000, ""},
                                          std::pair<size_t, const char*>{10'001, kNoSegments}}) {
        ScreenRecording r = recordingOf(std::vector<qint64>(count, 1));
        EXPECT_EQ(refusal(r), expected) << count;
    }
}

TEST(ScreenRecordingValidate, ChecksEverySegment) {
    expectValidation({
        {"width 2", [](ScreenRecording& r) { setSize(r, 2, 1080); }, ""},
        {"width 1", [](ScreenRecording& r) { setSize(r, 1, 1080); }, kBadSegment},
        {"width 16384", [](ScreenRecording& r) { setSize(r, 16'384, 1080); }, ""},
        {"width 16385", [](ScreenRecording& r) { setSize(r, 16'385, 1080); }, kBadSegment},
        {"height 2", [](ScreenRecording& r) { setSize(r, 1920, 2); }, ""},
        {"height 1", [](ScreenRecording& r) { setSize(r, 1920, 1); }, kBadSegment},
        {"height 16384", [](ScreenRecording& r) { setSize(r, 1920, 16'384); }, ""},
        {"height 16385", [](ScreenRecording& r) { setSize(r, 1920, 16'385); }, kBadSegment},
        {"second segment narrower", [](ScreenRecording& r) { r.segments[1].width = 1918; },
         kBadSegment},
        {"second segment taller", [](ScreenRecording& r) { r.segments[1].height = 1082; },
         kBadSegment},
        {"source start -1", [](ScreenRecording& r) { r.segments[1].sourceStart = -1; },
         kBadSegment},
        {"source start a day", [](ScreenRecording& r) { r.segments[1].sourceStart = kDay; }, ""},
        {"source start past a day",
         [](ScreenRecording& r) { r.segments[1].sourceStart = kDay + 1; }, kBadSegment},
        {"duration 0", [](ScreenRecording& r) { r.segments[1].duration = 0; }, kBadSegment},
        {"duration 1", [](ScreenRecording& r) { r.segments[1].duration = 1; }, ""},
        {"duration of a day",
         [](ScreenRecording& r) {
             r.segments.resize(1);
             r.segments[0].duration = kDay;
         },
         ""},
        {"duration past a day",
         [](ScreenRecording& r) {
             r.segments.resize(1);
             r.segments[0].duration = kDay + 1;
         },
         kBadSegment},
        {"empty file", [](ScreenRecording& r) { r.segments[1].byteCount = 0; }, kBadSegment},
        {"one-byte file", [](ScreenRecording& r) { r.segments[1].byteCount = 1; }, ""},
        {"short digest", [](ScreenRecording& r) { r.segments[1].sha256.chop(1); }, kBadSegment},
        {"long digest", [](ScreenRecording& r) { r.segments[1].sha256 += u'a'; }, kBadSegment},
        {"bad segment before a bad trim",
         [](ScreenRecording& r) {
             r.segments[1].byteCount = 0;
             r.trim = RecordingRange{0, 10};
         },
         kBadSegment},
    });
}

TEST(ScreenRecordingValidate, NeedsASelectionOfAtLeastOneMillisecond) {
    expectValidation({
        {"total of a day",
         [](ScreenRecording& r) {
             r.segments[0].duration = kDay / 2;
             r.segments[1].duration = kDay / 2;
         },
         ""},
        {"total past a day",
         [](ScreenRecording& r) {
             r.segments[0].duration = kDay / 2;
             r.segments[1].duration = kDay / 2 + 1;
         },
         kBadRange},
        {"trim of 999 µs",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{0, 999};
         },
         kBadRange},
        {"trim of 1000 µs",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{0, 1000};
         },
         ""},
        {"trim of 1000 µs at the end",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{9'999'000, 10'000'000};
         },
         ""},
        {"trim ending at the lowest time",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{1000, std::numeric_limits<qint64>::min()};
         },
         kBadRange},
        {"trim starting before 0",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{-1, 5000};
         },
         kBadRange},
        {"trim past the end",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{5000, 10'000'001};
         },
         kBadRange},
        {"reversed trim",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{5000, 1000};
         },
         kBadRange},
        {"untrimmed 999 µs",
         [](ScreenRecording& r) {
             r.segments[0].duration = 500;
             r.segments[1].duration = 499;
         },
         kBadRange},
        {"untrimmed 1000 µs",
         [](ScreenRecording& r) {
             r.segments[0].duration = 500;
             r.segments[1].duration = 500;
         },
         ""},
        {"bad trim before a bad crop",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{0, 999};
             r.crop = Rect{0, 0, 1, 1};
         },
         kBadRange},
    });
}

TEST(ScreenRecordingValidate, CropMustLieInsideTheVideo) {
    const auto cropTo = [](Rect crop) { return [crop](ScreenRecording& r) { r.crop = crop; }; };
    expectValidation({
        {"whole video", cropTo({0, 0, 1920, 1080}), ""},
        {"2 x 2", cropTo({100, 100, 2, 2}), ""},
        {"1.5 wide", cropTo({100, 100, 1.5, 20}), kBadCrop},
        {"1 high", cropTo({100, 100, 20, 1}), kBadCrop},
        {"negative size", cropTo({100, 100, -20, -20}), kBadCrop},
        {"past the right edge", cropTo({1, 0, 1920, 1080}), kBadCrop},
        {"above the top", cropTo({0, -0.5, 100, 100}), kBadCrop},
        {"not a number", cropTo({kNaN, 0, 100, 100}), kBadCrop},
        {"infinite", cropTo({0, 0, kInfinity, 100}), kBadCrop},
        {"bad crop before a bad redaction",
         [](ScreenRecording& r) {
             r.crop = Rect{0, 0, 1, 1};
             r.redactions = {redactionOf({0, 0}, {0, 0, 0, 0})};
         },
         kBadCrop},
    });
}

TEST(ScreenRecordingValidate, RedactionsNeedAnAreaAndATimeInsideTheRecording) {
    const auto redact = [](RecordingRange range, Rect rect) {
        return [range, rect](ScreenRecording& r) {
            r.redactions = {redactionOf({0, 10}, {0, 0, 10, 10}), redactionOf(range, rect)};
        };
    };
    const Rect area{100, 100, 50, 50};
    expectValidation({
        {"first microsecond", redact({0, 1}, area), ""},
        {"last microsecond", redact({9'999'999, 10'000'000}, area), ""},
        {"whole video", redact({0, 10'000'000}, {0, 0, 1920, 1080}), ""},
        {"fractional area", redact({0, 10}, {0.5, 0.5, 0.25, 0.25}), ""},
        {"empty range", redact({5000, 5000}, area), kBadRedaction},
        {"reversed range", redact({5000, 4000}, area), kBadRedaction},
        {"ends at the lowest time", redact({5000, std::numeric_limits<qint64>::min()}, area), kBadRedaction},
        {"starts before 0", redact({-1, 10}, area), kBadRedaction},
        {"ends past the recording", redact({0, 10'000'001}, area), kBadRedaction},
        {"zero width", redact({0, 10}, {100, 100, 0, 50}), kBadRedaction},
        {"negative height", redact({0, 10}, {100, 100, 50, -50}), kBadRedaction},
        {"past the bottom edge", redact({0, 10}, {0, 1000, 50, 81}), kBadRedaction},
        {"left of the video", redact({0, 10}, {-1, 0, 50, 50}), kBadRedaction},
        {"not a number", redact({0, 10}, {100, kNaN, 50, 50}), kBadRedaction},
        {"infinite", redact({0, 10}, {100, 100, kInfinity, 50}), kBadRedaction},
        // The crop narrows what is shown, not where a redaction may lie.
        {"outside the crop but inside the video",
         [](ScreenRecording& r) {
             r.crop = Rect{0, 0, 100, 100};
             r.redactions = {redactionOf({0, 10}, {500, 500, 50, 50})};
         },
         ""},
    });
}

} // namespace
} // namespace lumbex
