#include "model/note_fixtures.h"
#include "model/note_validation.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace lumbex {
namespace {

using test::kInfinity;
using test::kNaN;
using test::kSegmentDuration;

constexpr char kValid[] = "";
constexpr char kNewer[] = "This note uses a newer format. Open it with a newer version of Lumbex.";
constexpr char kMagnifyLevel[] = "Magnified annotations require note format 6.";
constexpr char kLineLevel[] = "Line, ellipse, and highlight annotations require note format 5.";
constexpr char kRecordingLevel[] = "The recording requires note format 4.";
constexpr char kRecoveryLevel[] = "Recording recovery information requires note format 8.";
constexpr char kNoSegments[] =
    "The recording has no complete segments or contains duplicate segments.";
constexpr char kBadRange[] = "Choose a valid recording range.";
constexpr char kVoice[] = "This note contains an invalid voice recording.";
constexpr char kLostNote[] = "A voice recording has lost its note.";
constexpr char kDuplicate[] = "This note has missing or duplicate items.";
constexpr char kScrollLevel[] = "Scroll capture sources require note format 7.";
constexpr char kScrollSources[] = "This scroll capture has invalid source frames.";
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

// Two seconds per segment, two segments.
constexpr qint64 kDuration = 2 * kSegmentDuration;

// A valid level-8 note: two 800 × 600 images, a numbered rectangle on the first, and a
// two-segment screen recording.
CaptureNote baseNote() {
    CaptureNote note = test::makeNote(2, 1, 1);
    test::attachRecording(note);
    note.schemaVersion = 8;
    return note;
}

Mark& addMark(CaptureNote& note, MarkKind kind, Point start = {100, 100}, Point end = {200, 160}) {
    note.marks.push_back(test::makeMark(note.media[0], kind, start, end));
    return note.marks.back();
}

Media& addFrame(CaptureNote& note, qint64 sourceTime) {
    note.media.push_back(test::makeFrame(*note.screenRecording, sourceTime));
    return note.media.back();
}

LinkedNote& addTimeNote(CaptureNote& note, qint64 start, qint64 end) {
    note.notes.push_back(test::makeLinkedNote());
    note.notes.back().timeRange = RecordingRange{start, end};
    return note.notes.back();
}

VoiceRecording& addVoice(CaptureNote& note, double duration = 2.5) {
    if (!note.recordings)
        note.recordings.emplace();
    note.recordings->push_back(
        {newId(), std::nullopt, 0, QStringLiteral("en-US"), duration, {}, {}, {}});
    return note.recordings->back();
}

struct Row {
    const char* name;
    std::function<void(CaptureNote&)> change;
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

TEST(NoteValidation, BuildersMakeValidNotes) {
    EXPECT_NO_THROW(validate(baseNote()));
    EXPECT_NO_THROW(validate(test::makeNote()));
    EXPECT_NO_THROW(validate(test::makeNote(3, 12, 12)));
    EXPECT_NO_THROW(validate(test::makeNoteWithFrame()));
}

TEST(NoteValidation, FormatLevels) {
    const auto level = [](qint64 v) { return [v](CaptureNote& n) { n.schemaVersion = v; }; };
    const auto plainAt = [](qint64 v) {
        return [v](CaptureNote& n) {
            n.screenRecording.reset();
            n.schemaVersion = v;
        };
    };
    const auto markAt = [](MarkKind kind, qint64 v) {
        return [kind, v](CaptureNote& n) {
            n.screenRecording.reset();
            addMark(n, kind);
            n.schemaVersion = v;
        };
    };
    expectRows({
        {"level 0", level(0), kNewer},
        {"level -1", level(-1), kNewer},
        {"level 9", level(9), kNewer},
        {"level 8", level(8), kValid},
        {"level 1 without recording", plainAt(1), kValid},
        {"magnify in level 5", markAt(MarkKind::Magnify, 5), kMagnifyLevel},
        {"magnify in level 6", markAt(MarkKind::Magnify, 6), kValid},
        {"line in level 4", markAt(MarkKind::Line, 4), kLineLevel},
        {"ellipse in level 4", markAt(MarkKind::Ellipse, 4), kLineLevel},
        {"highlight in level 4", markAt(MarkKind::Highlight, 4), kLineLevel},
        {"line in level 5", markAt(MarkKind::Line, 5), kValid},
        {"highlight in level 5", markAt(MarkKind::Highlight, 5), kValid},
        {"recording in level 3", level(3), kRecordingLevel},
        {"recording in level 4", level(4), kValid},
        {"recovery in level 7",
         [](CaptureNote& n) {
             n.screenRecording->recovery = RecordingRecovery::Complete;
             n.schemaVersion = 7;
         },
         kRecoveryLevel},
        {"recovery in level 8",
         [](CaptureNote& n) { n.screenRecording->recovery = RecordingRecovery::Partial; }, kValid},
        {"recording without segments", [](CaptureNote& n) { n.screenRecording->segments.clear(); },
         kNoSegments},
        {"recording trimmed to 999 µs",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{0, 999};
         },
         kBadRange},
        {"recording trimmed to 1000 µs",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{0, 1000};
         },
         kValid},
        {"level 3 content in a level 1 note",
         [](CaptureNote& n) {
             n.screenRecording.reset();
             n.schemaVersion = 1;
             n.marks[0].color = QStringLiteral("#FF0000");
             n.media[0].background = ImageBackground{};
             addMark(n, MarkKind::Arrow, {100, 100}, {-50, 100});
         },
         kValid},
    });
}

TEST(NoteValidation, VoiceRecordings) {
    const auto voiceAt = [](qint64 v) {
        return [v](CaptureNote& n) {
            n.screenRecording.reset();
            n.schemaVersion = v;
            addVoice(n);
        };
    };
    const auto duration = [](double d) { return [d](CaptureNote& n) { addVoice(n, d); }; };
    expectRows({
        {"a recording in level 1", voiceAt(1), kVoice},
        {"a recording in level 2", voiceAt(2), kValid},
        {"an empty list in level 1",
         [](CaptureNote& n) {
             n.screenRecording.reset();
             n.schemaVersion = 1;
             n.recordings.emplace();
         },
         kValid},
        {"two with one id",
         [](CaptureNote& n) {
             addVoice(n);
             const Id id = n.recordings->front().id;
             addVoice(n).id = id;
         },
         kVoice},
        {"duration NaN", duration(kNaN), kVoice},
        {"duration infinite", duration(kInfinity), kVoice},
        {"duration negative", duration(-0.001), kVoice},
        {"duration -0", duration(-0.0), kValid},
        {"duration 0", duration(0), kValid},
        {"note that exists", [](CaptureNote& n) { addVoice(n).noteID = n.notes[0].id; }, kValid},
        {"note that does not exist", [](CaptureNote& n) { addVoice(n).noteID = newId(); },
         kLostNote},
    });
}

TEST(NoteValidation, DuplicateItems) {
    expectRows({
        {"two images with one id", [](CaptureNote& n) { n.media[1].id = n.media[0].id; },
         kDuplicate},
        {"two marks with one id",
         [](CaptureNote& n) {
             const Id first = n.marks[0].id;
             addMark(n, MarkKind::Arrow).id = first;
         },
         kDuplicate},
        {"two notes with one id",
         [](CaptureNote& n) {
             n.notes.push_back(test::makeLinkedNote());
             n.notes[1].id = n.notes[0].id;
         },
         kDuplicate},
        {"a mark and a note sharing an id",
         [](CaptureNote& n) {
             n.notes.push_back(test::makeLinkedNote());
             n.notes[1].id = n.marks[0].id;
         },
         kValid},
    });
}

TEST(NoteValidation, ScrollCaptures) {
    expectRows({
        {"in level 7", test::addScrollCapture, kValid},
        {"in level 6",
         [](CaptureNote& n) {
             test::addScrollCapture(n);
             n.schemaVersion = 6;
             n.screenRecording.reset();
         },
         kScrollLevel},
        {"first piece not at row 0",
         [](CaptureNote& n) {
             test::addScrollCapture(n);
             n.media[2].scrollCapture->pieces[0].offsetY = 1;
         },
         kScrollSources},
    });
}

TEST(NoteValidation, RecordingFrames) {
    const auto frameAt = [](qint64 t) { return [t](CaptureNote& n) { addFrame(n, t); }; };
    const auto keyOfLength = [](qsizetype length) {
        return [length](CaptureNote& n) {
            addFrame(n, 0).recordingFrame->visualKey = QString(length, u'f');
        };
    };
    expectRows({
        {"at 0", frameAt(0), kValid},
        {"at the last microsecond", frameAt(kDuration - 1), kValid},
        {"at -1", frameAt(-1), kFrame},
        {"at the duration", frameAt(kDuration), kFrame},
        {"without a recording",
         [](CaptureNote& n) {
             addFrame(n, 0);
             n.screenRecording.reset();
         },
         kFrame},
        {"a stale key of 64 characters", keyOfLength(64), kValid},
        {"a key of 63 characters", keyOfLength(63), kFrame},
        {"a key of 65 characters", keyOfLength(65), kFrame},
        {"outside the trim but inside the recording",
         [](CaptureNote& n) {
             addFrame(n, 10);
             n.screenRecording->trim = RecordingRange{1'000'000, 2'000'000};
         },
         kValid},
    });
}

TEST(NoteValidation, ImageSizes) {
    const auto size = [](qint64 w, qint64 h) {
        return [w, h](CaptureNote& n) {
            n.media[1].width = w;
            n.media[1].height = h;
        };
    };
    expectRows({
        {"32768 × 3662", size(32768, 3662), kValid},
        {"3662 × 32768", size(3662, 32768), kValid},
        {"32768 × 3663", size(32768, 3663), kTooLarge},
        {"32769 × 1", size(32769, 1), kTooLarge},
        {"1 × 32769", size(1, 32769), kTooLarge},
        {"1 × 1", size(1, 1), kValid},
        {"0 × 600", size(0, 600), kTooLarge},
        {"800 × 0", size(800, 0), kTooLarge},
        {"-800 × -600", size(-800, -600), kTooLarge},
        {"the first image too large", [](CaptureNote& n) { n.media[0].width = 40000; }, kTooLarge},
    });
}

TEST(NoteValidation, Crops) {
    const auto crop = [](Rect r) { return [r](CaptureNote& n) { n.media[1].crop = r; }; };
    expectRows({
        {"the full extent", crop({0, 0, 800, 600}), kValid},
        {"fractional inside", crop({0.5, 0.25, 799.5, 599.75}), kValid},
        {"one pixel", crop({799, 599, 1, 1}), kValid},
        {"width 0", crop({0, 0, 0, 600}), kCrop},
        {"height 0", crop({10, 10, 100, 0}), kCrop},
        {"one pixel past the right edge", crop({1, 0, 800, 600}), kCrop},
        {"one pixel past the bottom edge", crop({0, 0, 800, 601}), kCrop},
        {"starting left of the image", crop({-1, 0, 100, 100}), kCrop},
        {"NaN origin", crop({kNaN, 0, 100, 100}), kCrop},
        {"infinite width", crop({0, 0, kInfinity, 100}), kCrop},
    });
}

TEST(NoteValidation, Backgrounds) {
    const auto background = [](std::function<void(ImageBackground&)> edit) {
        return [edit](CaptureNote& n) {
            ImageBackground b;
            edit(b);
            n.media[1].background = b;
        };
    };
    const auto padding = [&](double v) {
        return background([v](ImageBackground& b) { b.padding = v; });
    };
    const auto radius = [&](double v) {
        return background([v](ImageBackground& b) { b.cornerRadius = v; });
    };
    const auto color = [&](const char* c) {
        return background([c](ImageBackground& b) { b.color = QString::fromUtf8(c); });
    };
    expectRows({
        {"a new background", background([](ImageBackground&) {}), kValid},
        {"padding 0", padding(0), kValid},
        {"padding 512", padding(512), kValid},
        {"padding 512.5", padding(512.5), kBackground},
        {"padding -0.5", padding(-0.5), kBackground},
        {"padding NaN", padding(kNaN), kBackground},
        {"corner radius 128", radius(128), kValid},
        {"corner radius 128.5", radius(128.5), kBackground},
        {"corner radius -1", radius(-1), kBackground},
        {"corner radius infinite", radius(kInfinity), kBackground},
        {"lower-case colour", color("#abcdef"), kValid},
        {"colour #12345", color("#12345"), kBackground},
        {"colour #1234567", color("#1234567"), kBackground},
        {"colour #GGGGGG", color("#GGGGGG"), kBackground},
        {"colour blue", color("blue"), kBackground},
        {"colour without #", color("1234567"), kBackground},
        {"empty colour", color(""), kBackground},
        {"second colour of a solid background",
         background([](ImageBackground& b) { b.secondaryColor = QStringLiteral("red"); }),
         kBackground},
    });
}

TEST(NoteValidation, Annotations) {
    const auto edit = [](std::function<void(Mark&)> change) {
        return [change](CaptureNote& n) { change(n.marks[0]); };
    };
    const auto lineWidth = [&](double w) { return edit([w](Mark& m) { m.lineWidth = w; }); };
    expectRows({
        {"on an unknown image", edit([](Mark& m) { m.mediaID = newId(); }), kAnnotation},
        {"on the second image", [](CaptureNote& n) { n.marks[0].mediaID = n.media[1].id; }, kValid},
        {"NaN start", edit([](Mark& m) { m.start.x = kNaN; }), kAnnotation},
        {"infinite end", edit([](Mark& m) { m.end.y = -kInfinity; }), kAnnotation},
        {"NaN point", edit([](Mark& m) {
             m.kind = MarkKind::Freehand;
             m.points = std::vector<Point>{{1, 2}, {kNaN, 3}};
         }),
         kAnnotation},
        {"freehand points", edit([](Mark& m) {
             m.kind = MarkKind::Freehand;
             m.points = std::vector<Point>{{1, 2}, {30, 40}};
         }),
         kValid},
        {"line width 0.5", lineWidth(0.5), kAnnotation},
        {"line width 1", lineWidth(1), kValid},
        {"line width 32", lineWidth(32), kValid},
        {"line width 33", lineWidth(33), kAnnotation},
        {"line width NaN", lineWidth(kNaN), kAnnotation},
        {"a named colour outside the palette",
         edit([](Mark& m) { m.color = QStringLiteral("purple"); }), kValid},
    });
}

TEST(NoteValidation, HighlightOpacity) {
    const auto highlight = [](double opacity) {
        return [opacity](CaptureNote& n) { addMark(n, MarkKind::Highlight).opacity = opacity; };
    };
    expectRows({
        {"highlight at 0", highlight(0), kValid},
        {"highlight at 1", highlight(1), kValid},
        {"highlight at 1.01", highlight(1.01), kOpacity},
        {"highlight at -0.01", highlight(-0.01), kOpacity},
        {"highlight at NaN", highlight(kNaN), kOpacity},
        {"rectangle with opacity", [](CaptureNote& n) { n.marks[0].opacity = 0.5; }, kOpacity},
        {"magnifier with opacity",
         [](CaptureNote& n) { addMark(n, MarkKind::Magnify).opacity = 0.5; }, kOpacity},
    });
}

TEST(NoteValidation, Magnifiers) {
    const auto lens = [](std::function<void(Mark&)> change) {
        return [change](CaptureNote& n) { change(addMark(n, MarkKind::Magnify)); };
    };
    const auto factor = [&](double f) { return lens([f](Mark& m) { m.magnification = f; }); };
    // The image is cropped so that a far source centre does not also grow the output.
    const auto centre = [](Point c) {
        return [c](CaptureNote& n) {
            n.media[0].crop = n.media[0].extent();
            addMark(n, MarkKind::Magnify).magnificationCenter = c;
        };
    };
    expectRows({
        {"without a centre", lens([](Mark& m) { m.magnificationCenter.reset(); }), kMagnifier},
        {"with a centre and no magnification", lens([](Mark&) {}), kValid},
        {"magnification 1.9", factor(1.9), kMagnifier},
        {"magnification 2", factor(2), kValid},
        {"magnification 8", factor(8), kValid},
        {"magnification 8.1", factor(8.1), kMagnifier},
        {"magnification NaN", factor(kNaN), kMagnifier},
        {"centre at 32768 and -32768", centre({32768, -32768}), kValid},
        {"centre at 32769", centre({32769, 0}), kMagnifier},
        {"centre at -32769", centre({0, -32769}), kMagnifier},
        {"centre NaN", centre({kNaN, 0}), kMagnifier},
        {"with points", lens([](Mark& m) {
             m.points = std::vector<Point>{{100, 100}, {200, 160}};
         }),
         kMagnifier},
        {"with no width", lens([](Mark& m) { m.end.x = m.start.x; }), kMagnifier},
        {"half a pixel high", lens([](Mark& m) { m.end.y = m.start.y + 0.5; }), kMagnifier},
        {"one pixel square", lens([](Mark& m) {
             m.end = m.start + Point{1, 1};
         }),
         kValid},
        {"magnification on a rectangle", [](CaptureNote& n) { n.marks[0].magnification = 2; },
         kOnlyMagnify},
        {"source centre on a rectangle",
         [](CaptureNote& n) {
             n.marks[0].magnificationCenter = Point{1, 1};
         },
         kOnlyMagnify},
        {"magnification on a highlight with opacity",
         [](CaptureNote& n) {
             Mark& m = addMark(n, MarkKind::Highlight);
             m.opacity = 0.5;
             m.magnification = 2;
         },
         kOnlyMagnify},
    });
}

TEST(NoteValidation, TimeNotes) {
    const auto range = [](qint64 start, qint64 end) {
        return [start, end](CaptureNote& n) { addTimeNote(n, start, end); };
    };
    expectRows({
        {"inside the recording", range(0, 1'000'000), kValid},
        {"two on the same range",
         [](CaptureNote& n) {
             addTimeNote(n, 100, 2'000);
             addTimeNote(n, 100, 2'000);
         },
         kValid},
        {"ending at the duration", range(0, kDuration), kValid},
        {"one microsecond long", range(5, 6), kValid},
        {"start equal to end", range(1'000, 1'000), kTimeNote},
        {"end before start", range(2'000, 1'000), kTimeNote},
        {"end at the lowest time", range(1'000, std::numeric_limits<qint64>::min()), kTimeNote},
        {"starting at -1", range(-1, 1'000), kTimeNote},
        {"ending past the duration", range(0, kDuration + 1), kTimeNote},
        {"outside the trim",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{0, 1'000'000};
             addTimeNote(n, 2'000'000, 3'000'000);
         },
         kValid},
        {"linked to a mark", [](CaptureNote& n) { addTimeNote(n, 0, 1'000).markID = newId(); },
         kTimeNote},
        {"without a recording",
         [](CaptureNote& n) {
             addTimeNote(n, 0, 1'000);
             n.screenRecording.reset();
         },
         kTimeNote},
    });
}

TEST(NoteValidation, NotesLinkedToOneMark) {
    expectRows({
        {"two notes on one mark",
         [](CaptureNote& n) { n.notes.push_back(test::makeLinkedNote(n.marks[0].id)); }, kTwoNotes},
        {"a note on a mark that does not exist",
         [](CaptureNote& n) { n.notes.push_back(test::makeLinkedNote(newId())); }, kValid},
        {"two notes naming the same missing mark",
         [](CaptureNote& n) {
             const Id missing = newId();
             n.notes.push_back(test::makeLinkedNote(missing));
             n.notes.push_back(test::makeLinkedNote(missing));
         },
         kValid},
        {"a note linked to each of two marks",
         [](CaptureNote& n) {
             n.notes.push_back(test::makeLinkedNote(addMark(n, MarkKind::Arrow).id));
         },
         kValid},
    });
}

TEST(NoteValidation, ExpandedOutputSize) {
    // A 10000 × 10000 image holds 100 megapixels; a rectangle 2000 pixels past its right edge
    // widens an uncropped output to about 12000 × 10000.
    const auto farMark = [](std::optional<Rect> crop) {
        return [crop](CaptureNote& n) {
            n.media[1].width = 10'000;
            n.media[1].height = 10'000;
            n.media[1].crop = crop;
            n.marks.push_back(
                test::makeMark(n.media[1], MarkKind::Rectangle, {10'000, 0}, {12'000, 100}));
        };
    };
    const auto padded = [](double padding) {
        return [padding](CaptureNote& n) {
            n.media[1].width = 32768;
            n.media[1].height = 3662;
            n.media[1].background = ImageBackground{};
            n.media[1].background->padding = padding;
        };
    };
    expectRows({
        {"a far mark on an uncropped image", farMark(std::nullopt), kExpanded},
        {"a far mark on a cropped image", farMark(Rect{0, 0, 10'000, 10'000}), kValid},
        {"a mark 40000 pixels out",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Line, {10, 10}, {40'000, 10});
         },
         kExpanded},
        {"the largest image without padding", padded(0), kValid},
        {"the largest image with one pixel of padding", padded(1), kExpanded},
    });
}

TEST(NoteValidation, FirstFailingRuleWins) {
    expectRows({
        {"magnify and line in level 4",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Line);
             addMark(n, MarkKind::Magnify);
             n.schemaVersion = 4;
         },
         kMagnifyLevel},
        {"line and recording in level 3",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Line);
             n.schemaVersion = 3;
         },
         kLineLevel},
        {"recording level before voice recordings",
         [](CaptureNote& n) {
             addVoice(n, kNaN);
             n.schemaVersion = 3;
         },
         kRecordingLevel},
        {"recovery level before the recording's own rules",
         [](CaptureNote& n) {
             n.screenRecording->recovery = RecordingRecovery::Partial;
             n.screenRecording->segments.clear();
             n.schemaVersion = 7;
         },
         kRecoveryLevel},
        {"the recording's own rules before voice recordings",
         [](CaptureNote& n) {
             n.screenRecording->segments.clear();
             addVoice(n, kNaN);
         },
         kNoSegments},
        {"any invalid voice recording before a lost note",
         [](CaptureNote& n) {
             addVoice(n).noteID = newId();
             addVoice(n, -1);
         },
         kVoice},
        {"a lost note before duplicate items",
         [](CaptureNote& n) {
             addVoice(n).noteID = newId();
             n.media[1].id = n.media[0].id;
         },
         kLostNote},
        {"duplicate items before image rules",
         [](CaptureNote& n) {
             n.notes.push_back(n.notes[0]);
             n.media[0].crop = Rect{0, 0, 0, 0};
         },
         kDuplicate},
        {"images in order",
         [](CaptureNote& n) {
             n.media[0].crop = Rect{0, 0, 0, 0};
             n.media[1].width = 0;
         },
         kCrop},
        {"scroll level before the image's frame",
         [](CaptureNote& n) {
             test::addScrollCapture(n);
             n.media[2].recordingFrame = RecordingFrame{-1, test::digest()};
             n.schemaVersion = 6;
             n.screenRecording.reset();
         },
         kScrollLevel},
        {"frame before size", [](CaptureNote& n) { addFrame(n, -1).width = 0; }, kFrame},
        {"size before crop",
         [](CaptureNote& n) {
             n.media[1].height = 0;
             n.media[1].crop = Rect{0, 0, 0, 0};
         },
         kTooLarge},
        {"crop before background",
         [](CaptureNote& n) {
             n.media[1].crop = Rect{0, 0, 0, 0};
             n.media[1].background = ImageBackground{};
             n.media[1].background->padding = -1;
         },
         kCrop},
        {"images before marks",
         [](CaptureNote& n) {
             n.marks[0].lineWidth = 0;
             n.media[1].background = ImageBackground{};
             n.media[1].background->color = QStringLiteral("blue");
         },
         kBackground},
        {"marks in order",
         [](CaptureNote& n) {
             n.marks[0].opacity = 0.5;
             addMark(n, MarkKind::Arrow).lineWidth = 0;
         },
         kOpacity},
        {"annotation before opacity",
         [](CaptureNote& n) {
             n.marks[0].opacity = 0.5;
             n.marks[0].lineWidth = 0;
         },
         kAnnotation},
        {"marks before time notes",
         [](CaptureNote& n) {
             addTimeNote(n, 5, 5);
             n.marks[0].mediaID = newId();
         },
         kAnnotation},
        {"time notes before notes on one mark",
         [](CaptureNote& n) {
             n.notes.push_back(test::makeLinkedNote(n.marks[0].id));
             addTimeNote(n, 5, 5);
         },
         kTimeNote},
        {"notes on one mark before the output size",
         [](CaptureNote& n) {
             n.notes.push_back(test::makeLinkedNote(n.marks[0].id));
             addMark(n, MarkKind::Line, {10, 10}, {40'000, 10});
         },
         kTwoNotes},
    });
}

} // namespace
} // namespace lumbex
