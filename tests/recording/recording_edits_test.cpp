#include "model/note_fixtures.h"
#include "recording/recording_document.h"
#include "recording/recording_edits.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr char kBadTime[] = "Enter a valid source time in seconds.";
constexpr char kBadRange[] = "Choose a range inside the recording.";

TEST(RecordingFields, ReadSecondsOrRefuseThem) {
    const struct {
        const char* text;
        qint64 time;
    } accepted[] = {
        {"0", 0},         {"2.5", 2'500'000}, {" 1.25 ", 1'250'000}, {"86400", 86'400'000'000},
        {"0.0000004", 0}, {"1e-3", 1000}};
    for (const auto& a : accepted) {
        SCOPED_TRACE(a.text);
        EXPECT_EQ(recordingFieldTime(QString::fromUtf8(a.text)), a.time);
    }
    for (const char* refused : {"", "abc", "-1", "-0.001", "86400.001", "inf", "nan", "1,5"})
        EXPECT_EQ(test::thrownMessage([&] { recordingFieldTime(QString::fromUtf8(refused)); }),
                  kBadTime)
            << refused;
}

TEST(RecordingFields, ARangeLiesInsideTheRecording) {
    constexpr qint64 duration = 3'000'000;
    const struct {
        const char *start, *end;
        std::optional<RecordingRange> range; // nothing: refused with `message`
        const char* message;
    } cases[] = {
        {"0", "3", RecordingRange{0, duration}, nullptr},
        {"0.5", "2.25", RecordingRange{500'000, 2'250'000}, nullptr},
        {"2.5", "2.5", std::nullopt, kBadRange},
        {"2", "1", std::nullopt, kBadRange},
        {"0", "3.0006", std::nullopt, kBadRange},
        {"0", "3.0004", RecordingRange{0, duration}, nullptr},
        {"x", "2", std::nullopt, kBadTime},
        {"1", "", std::nullopt, kBadTime},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.end);
        const QString start = QString::fromUtf8(c.start), end = QString::fromUtf8(c.end);
        if (c.range)
            EXPECT_EQ(recordingFieldRange(start, end, duration), *c.range);
        else
            EXPECT_EQ(test::thrownMessage([&] { recordingFieldRange(start, end, duration); }),
                      c.message);
    }
    // The end field shows a recording's end rounded up; left as it is, it still means the end.
    EXPECT_EQ(recordingFieldRange(u"1.5", recordingFieldText(8'832'700), 8'832'700),
              (RecordingRange{1'500'000, 8'832'700}));
    EXPECT_EQ(recordingFieldText(2'500'000), "2.500");
    EXPECT_EQ(recordingFieldText(1'234'567), "1.235");
}

TEST(RecordingDrag, MapsThePictureToSourcePixels) {
    // A 200 × 100 output drawn at twice its size, 10 px from the left, showing a crop at (40, 20).
    const QRectF picture(10, 0, 400, 200);
    const Rect visible{40, 20, 200, 100};
    const struct {
        QPointF from, to;
        std::optional<Rect> rect;
    } cases[] = {
        {{10, 0}, {410, 200}, Rect{40, 20, 200, 100}},
        {{110, 50}, {30, 20}, Rect{50, 30, 40, 15}},
        {{-50, -50}, {1000, 1000}, Rect{40, 20, 200, 100}}, // clamped to the picture
        {{111, 51}, {112, 120}, Rect{90, 45, 1, 35}},       // covers what it touches
        {{100, 50}, {100, 150}, std::nullopt},              // no width
        {{100, 50}, {100.5, 50.5}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.x() << "," << c.from.y());
        EXPECT_EQ(recordingDragRect(picture, c.from, c.to, visible), c.rect);
    }
    EXPECT_FALSE(recordingDragRect({}, {0, 0}, {10, 10}, visible));
}

// A note with a three-second recording.
class RecordingEditsTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::gray, 3);
        document = test::openRecordingNote(segments, package.path("note.capturenote"));
    }
    const ScreenRecording& recording() const { return *document->note().screenRecording; }

    test::SegmentFolder segments;
    test::TemporaryFolder package;
    std::unique_ptr<NoteDocument> document;
};

TEST_F(RecordingEditsTest, EachEditIsOneUndoStepWithItsName) {
    const ScreenRecording original = recording();
    const Rect area{10, 10, 40, 30};
    const struct {
        const char* name;
        std::function<void()> edit;
        std::function<bool(const ScreenRecording&)> done;
    } edits[] = {
        {"Trim Recording",
         [&] {
             trimRecording(*document, {500'000, 2'000'000});
         },
         [](const ScreenRecording& r) {
             return r.trim == RecordingRange{500'000, 2'000'000};
         }},
        {"Crop Recording", [&] { cropRecording(*document, area); },
         [&](const ScreenRecording& r) { return r.crop == area; }},
        {"Redact Recording",
         [&] {
             redactRecording(*document, {0, 1'000'000}, area);
         },
         [&](const ScreenRecording& r) {
             return r.redactions.size() == 1 && r.redactions[0].rect == area &&
                    r.redactions[0].range == RecordingRange{0, 1'000'000};
         }},
        {"Change Recording Sound", [&] { setRecordingSound(*document, true, false); },
         [](const ScreenRecording& r) { return r.muteSystem && !r.muteMicrophone; }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        const int steps = document->undoStack().count();
        e.edit();
        EXPECT_TRUE(e.done(recording()));
        EXPECT_EQ(document->undoStack().count(), steps + 1);
        EXPECT_EQ(document->undoStack().undoText(), e.name);
    }
    // Their opposites, undone one by one back to the original.
    const struct {
        const char* name;
        std::function<void()> edit;
    } reverses[] = {
        {"Reset Trim", [&] { resetRecordingTrim(*document); }},
        {"Reset Recording Crop", [&] { restoreRecordingCrop(*document); }},
        {"Remove Recording Redaction", [&] { removeLastRecordingRedaction(*document); }}};
    for (const auto& r : reverses) {
        SCOPED_TRACE(r.name);
        r.edit();
        EXPECT_EQ(document->undoStack().undoText(), r.name);
    }
    EXPECT_FALSE(recording().trim);
    EXPECT_FALSE(recording().crop);
    EXPECT_TRUE(recording().redactions.empty());
    while (document->undoStack().canUndo())
        document->undoStack().undo();
    EXPECT_EQ(recording(), original);
}

TEST_F(RecordingEditsTest, RemovingTheLastRedactionTwiceRemovesTwo) {
    const Rect areas[] = {{0, 0, 10, 10}, {20, 20, 10, 10}, {40, 40, 10, 10}};
    for (const Rect& area : areas)
        redactRecording(*document, {0, 1'000'000}, area);
    removeLastRecordingRedaction(*document);
    removeLastRecordingRedaction(*document);
    ASSERT_EQ(recording().redactions.size(), 1u);
    EXPECT_EQ(recording().redactions[0].rect, areas[0]);
    document->undoStack().undo();
    ASSERT_EQ(recording().redactions.size(), 2u);
    EXPECT_EQ(recording().redactions[1].rect, areas[1]);
    document->undoStack().undo();
    EXPECT_EQ(recording().redactions.size(), 3u);

    // With none left there is nothing to remove and nothing to undo.
    for (int i = 0; i < 3; ++i)
        removeLastRecordingRedaction(*document);
    const int steps = document->undoStack().count();
    removeLastRecordingRedaction(*document);
    EXPECT_EQ(document->undoStack().count(), steps);
}

TEST_F(RecordingEditsTest, ARefusedEditChangesNothing) {
    const ScreenRecording before = recording();
    const int steps = document->undoStack().count();
    EXPECT_THROW(trimRecording(*document, {2'000'000, 5'000'000}), LumbexError);
    EXPECT_THROW(cropRecording(*document, {150, 0, 100, 100}), LumbexError);
    EXPECT_EQ(recording(), before);
    EXPECT_EQ(document->undoStack().count(), steps);
}

} // namespace
} // namespace lumbex
