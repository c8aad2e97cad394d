#include "model/note_fixtures.h"
#include "model/note_validation.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

using test::kNaN;

constexpr char kNewer[] = "This note uses a newer format. Open it with a newer version of Lumbex.";
constexpr char kMagnifyLevel[] = "Magnified annotations require note format 6.";
constexpr char kLineLevel[] = "Line, ellipse, and highlight annotations require note format 5.";
constexpr char kRecordingLevel[] = "The recording requires note format 4.";
constexpr char kRecoveryLevel[] = "Recording recovery information requires note format 8.";
constexpr char kNoSegments[] =
    "The recording has no complete segments or contains duplicate segments.";
constexpr char kVoice[] = "This note contains an invalid voice recording.";
constexpr char kLostNote[] = "A voice recording has lost its note.";
constexpr char kDuplicate[] = "This note has missing or duplicate items.";
constexpr char kScrollLevel[] = "Scroll capture sources require note format 7.";
constexpr char kFrame[] = "A recording frame has lost its source time.";
constexpr char kTooLarge[] = "This image is too large to edit safely (120 megapixels maximum).";
constexpr char kCrop[] = "This note contains an invalid crop.";
constexpr char kBackground[] = "This note contains an invalid background.";
constexpr char kAnnotation[] = "This note contains an invalid annotation.";
constexpr char kOpacity[] = "This note contains an invalid highlight opacity.";
constexpr char kMagnifier[] = "Use a valid source position and a magnification from 2× to 8×.";
constexpr char kOnlyMagnify[] = "Only magnified annotations can have a magnification source.";
constexpr char kTimeNote[] = "A time note has an invalid recording range.";
constexpr char kTwoNotes[] = "More than one note is linked to the same annotation.";
constexpr char kExpanded[] =
    "The expanded image is too large. Move the outer annotation closer or reduce the background "
    "padding (120 megapixels maximum).";

constexpr qint64 kDuration = 2 * test::kSegmentDuration;

using Change = std::function<void(CaptureNote&)>;
template <class T> using Edit = std::function<void(T&)>;

// Every change below starts from this valid level-8 note: two 800 × 600 images, a numbered
// rectangle on the first, and a two-segment screen recording.
CaptureNote baseNote() {
    CaptureNote note = test::makeNote(2, 1, 1);
    test::attachRecording(note);
    note.schemaVersion = 8;
    return note;
}

Change all(std::vector<Change> changes) {
    return [changes](CaptureNote& n) {
        for (const Change& change : changes)
            change(n);
    };
}

Change addMark(
    MarkKind kind, Edit<Mark> edit = [](Mark&) {}) {
    return [kind, edit](CaptureNote& n) {
        n.marks.push_back(test::makeMark(n.media[0], kind));
        edit(n.marks.back());
    };
}

VoiceRecording& addVoice(CaptureNote& note, double duration = 2.5) {
    if (!note.recordings)
        note.recordings.emplace();
    return note.recordings->emplace_back(
        VoiceRecording{newId(), std::nullopt, 0, QStringLiteral("en-US"), duration, {}, {}, {}});
}

Media& addFrame(CaptureNote& note, qint64 sourceTime) {
    return note.media.emplace_back(test::makeFrame(*note.screenRecording, sourceTime));
}

LinkedNote& addTimeNote(CaptureNote& note, qint64 start, qint64 end) {
    LinkedNote& added = note.notes.emplace_back(test::makeLinkedNote());
    added.timeRange = RecordingRange{start, end};
    return added;
}

const auto level = [](qint64 v) -> Change { return [v](CaptureNote& n) { n.schemaVersion = v; }; };
const Change noRecording = [](CaptureNote& n) { n.screenRecording.reset(); };
// Levels below 4 cannot hold the recording.
const auto plainAt = [](qint64 v) { return all({noRecording, level(v)}); };
const auto editMark = [](Edit<Mark> e) -> Change { return [e](CaptureNote& n) { e(n.marks[0]); }; };
const auto editImage = [](Edit<Media> e) -> Change {
    return [e](CaptureNote& n) { e(n.media[1]); };
};
const auto size = [](qint64 w, qint64 h) {
    return editImage([=](Media& m) {
        m.width = w;
        m.height = h;
    });
};
const auto crop = [](Rect r) { return editImage([r](Media& m) { m.crop = r; }); };
const auto background = [](Edit<ImageBackground> e) {
    return editImage([e](Media& m) { e(m.background.emplace()); });
};
const auto trim = [](qint64 start, qint64 end) -> Change {
    return [=](CaptureNote& n) { n.screenRecording->trim = RecordingRange{start, end}; };
};
const auto voice = [](double d) -> Change { return [d](CaptureNote& n) { addVoice(n, d); }; };
const auto frame = [](qint64 t) -> Change { return [t](CaptureNote& n) { addFrame(n, t); }; };
const auto timeNote = [](qint64 start, qint64 end) -> Change {
    return [=](CaptureNote& n) { addTimeNote(n, start, end); };
};
const Change noSegments = [](CaptureNote& n) { n.screenRecording->segments.clear(); };
const Change recovered = [](CaptureNote& n) {
    n.screenRecording->recovery = RecordingRecovery::Partial;
};
const Change lostVoiceNote = [](CaptureNote& n) { addVoice(n).noteID = newId(); };
const Change secondNoteOnMark = [](CaptureNote& n) {
    n.notes.push_back(test::makeLinkedNote(n.marks[0].id));
};
const Change zeroCrop = crop({0, 0, 0, 0});

struct Row {
    const char* name;
    Change change;
    const char* expected;
};

void expectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = baseNote();
        row.change(note);
        EXPECT_EQ(test::thrownMessage([&] { validate(note); }), row.expected);
    }
}

TEST(NoteValidation, FormatLevels) {
    expectRows({
        {"level 0", level(0), kNewer},
        {"magnify in level 5", all({addMark(MarkKind::Magnify), level(5)}), kMagnifyLevel},
        {"ellipse in level 4", all({addMark(MarkKind::Ellipse), level(4)}), kLineLevel},
        {"recording in level 3", level(3), kRecordingLevel},
        {"recovery in level 7", all({recovered, level(7)}), kRecoveryLevel},
        {"recording without segments", noSegments, kNoSegments},
        {"level 3 content in a level 1 note",
         all({plainAt(1), editMark([](Mark& m) { m.color = "#FF0000"; }), background([](auto&) {}),
              addMark(MarkKind::Arrow, [](Mark& m) { m.end.x = -50; })}),
         ""},
    });
}

TEST(NoteValidation, VoiceRecordings) {
    expectRows({
        {"one in level 1", all({plainAt(1), voice(2.5)}), kVoice},
        {"duration NaN", voice(kNaN), kVoice},
        {"note that does not exist", lostVoiceNote, kLostNote},
    });
}

TEST(NoteValidation, DuplicateItems) {
    expectRows({
        {"images", [](CaptureNote& n) { n.media[1].id = n.media[0].id; }, kDuplicate},
        {"a mark and a note sharing an id",
         [](CaptureNote& n) { n.notes.emplace_back(test::makeLinkedNote()).id = n.marks[0].id; },
         ""},
    });
}

TEST(NoteValidation, ImageSources) {
    const Change staleKey = [](CaptureNote& n) {
        addFrame(n, 0).recordingFrame->visualKey = QString(64, u'f');
    };
    expectRows({
        {"scroll capture in level 6", all({test::addScrollCapture, plainAt(6)}), kScrollLevel},
        {"scroll capture whose first piece is not at row 0",
         all({test::addScrollCapture,
              [](CaptureNote& n) { n.media[2].scrollCapture->pieces[0].offsetY = 1; }}),
         "This scroll capture has invalid source frames."},
        {"frames at 0 and the last microsecond, outside the trim, with a stale key",
         all({frame(0), frame(kDuration - 1), staleKey, trim(1'000'000, 2'000'000)}), ""},
        {"frame at the duration", frame(kDuration), kFrame},
        {"frame without a recording", all({frame(0), noRecording}), kFrame},
    });
}

TEST(NoteValidation, ImageSizes) {
    expectRows({
        {"32768 × 3662", size(32768, 3662), ""},
        {"32768 × 3663", size(32768, 3663), kTooLarge},
        {"32769 × 1", size(32769, 1), kTooLarge},
    });
}

TEST(NoteValidation, CropsAndBackgrounds) {
    const auto padding = [](double v) { return background([v](auto& b) { b.padding = v; }); };
    expectRows({
        {"crop of the full extent", crop({0, 0, 800, 600}), ""},
        {"crop width 0", zeroCrop, kCrop},
        {"padding 512", padding(512), ""},
        {"padding 512.5", padding(512.5), kBackground},
        {"colour #GGGGGG", background([](auto& b) { b.color = "#GGGGGG"; }), kBackground},
        {"second colour", background([](auto& b) { b.secondaryColor = "red"; }), kBackground},
    });
}

TEST(NoteValidation, Annotations) {
    const auto lineWidth = [](double w) { return editMark([w](Mark& m) { m.lineWidth = w; }); };
    const auto highlight = [](double v) {
        return addMark(MarkKind::Highlight, [v](Mark& m) { m.opacity = v; });
    };
    const Edit<Mark> halfOpaque = [](Mark& m) { m.opacity = 0.5; };
    expectRows({
        {"on an unknown image", editMark([](Mark& m) { m.mediaID = newId(); }), kAnnotation},
        {"NaN point",
         addMark(MarkKind::Freehand,
                 [](Mark& m) {
                     m.points = {{{1, 2}, {kNaN, 3}}};
                 }),
         kAnnotation},
        {"line width 32", lineWidth(32), ""},
        {"line width 33", lineWidth(33), kAnnotation},
        {"highlight opacity 1.01", highlight(1.01), kOpacity},
        {"rectangle with opacity", editMark(halfOpaque), kOpacity},
    });
}

TEST(NoteValidation, Magnifiers) {
    const auto lens = [](Edit<Mark> edit) { return addMark(MarkKind::Magnify, edit); };
    const auto factor = [&](double f) { return lens([f](Mark& m) { m.magnification = f; }); };
    // Cropped, so that a far source centre does not also grow the output.
    const auto centre = [&](Point c) {
        return all({[](CaptureNote& n) { n.media[0].crop = n.media[0].extent(); },
                    lens([c](Mark& m) { m.magnificationCenter = c; })});
    };
    expectRows({
        {"without a centre", lens([](Mark& m) { m.magnificationCenter.reset(); }), kMagnifier},
        {"magnification 1.9", factor(1.9), kMagnifier},
        {"centre at 32769", centre({32769, 0}), kMagnifier},
        {"centre on a rectangle", editMark([](Mark& m) { m.magnificationCenter = m.start; }),
         kOnlyMagnify},
    });
}

TEST(NoteValidation, LinkedNotes) {
    expectRows({
        {"two time notes on one range ending at the duration",
         all({timeNote(0, kDuration), timeNote(0, kDuration)}), ""},
        {"time note one microsecond long, outside the trim",
         all({timeNote(5, 6), trim(1'000'000, 2'000'000)}), ""},
        {"time note ending past the duration", timeNote(0, kDuration + 1), kTimeNote},
        {"time note without a recording", all({timeNote(0, 1'000), noRecording}), kTimeNote},
        {"two notes on one mark", secondNoteOnMark, kTwoNotes},
    });
}

TEST(NoteValidation, ExpandedOutputSize) {
    // 100 megapixels, with a rectangle 2000 pixels past the right edge: about 120 uncropped.
    const auto farMark = [](std::optional<Rect> crop) -> Change {
        return [crop](CaptureNote& n) {
            n.media[1].width = n.media[1].height = 10'000;
            n.media[1].crop = crop;
            n.marks.push_back(
                test::makeMark(n.media[1], MarkKind::Rectangle, {10'000, 0}, {12'000, 100}));
        };
    };
    const auto padded = [](double v) {
        return all({size(32768, 3662), background([v](auto& b) { b.padding = v; })});
    };
    expectRows({
        {"a far mark on an uncropped image", farMark(std::nullopt), kExpanded},
        {"a far mark on a cropped image", farMark(Rect{0, 0, 10'000, 10'000}), ""},
        {"the largest image with one pixel of padding", padded(1), kExpanded},
    });
}

TEST(NoteValidation, FirstFailingRuleWins) {
    const Change farLine = addMark(MarkKind::Line, [](Mark& m) { m.end.x = 40'000; });
    expectRows({
        {"magnify before line",
         all({addMark(MarkKind::Line), addMark(MarkKind::Magnify), level(4)}), kMagnifyLevel},
        {"invalid voice before a lost note", all({lostVoiceNote, voice(-1)}), kVoice},
        {"images before marks",
         all({editMark([](Mark& m) { m.lineWidth = 0; }),
              background([](auto& b) { b.color = "blue"; })}),
         kBackground},
        {"time notes before shared links", all({secondNoteOnMark, timeNote(5, 5)}), kTimeNote},
        {"shared links before the output size", all({secondNoteOnMark, farLine}), kTwoNotes},
    });
}

} // namespace
} // namespace lumbex
