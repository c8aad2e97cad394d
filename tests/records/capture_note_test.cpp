#include "core/error.h"
#include "records/capture_note.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace lumbex {
namespace {

constexpr char kKeepScrollSources[] =
    "Keep original scroll frames with their stitched image. Remove the stitched image first if "
    "you want to remove its sources.";
constexpr char kKeepOneImage[] =
    "Keep at least one image in this note. Add another frame or image first.";

Media imageOf(qint64 width, qint64 height) {
    Media m;
    m.id = newId();
    m.width = width;
    m.height = height;
    return m;
}

Mark markOn(const Media& image, MarkKind kind = MarkKind::Rectangle) {
    Mark m;
    m.id = newId();
    m.mediaID = image.id;
    m.kind = kind;
    m.start = {10, 20};
    m.end = {50, 80};
    return m;
}

LinkedNote noteFor(std::optional<Id> markID, const QString& body = {}) {
    LinkedNote n = LinkedNote::make();
    n.markID = markID;
    n.body = body;
    return n;
}

// The message of the LumbexError that removeImage throws, or an empty string when it does not.
std::string removeImageRefusal(CaptureNote& note, const Id& mediaID) {
    try {
        removeImage(note, mediaID);
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(CaptureNote, NewNoteStartsEmptyWithFreshIdentity) {
    const CaptureNote a = CaptureNote::make();
    const CaptureNote b = CaptureNote::make();
    EXPECT_NE(a.id, b.id);
    EXPECT_FALSE(a.id.isNull());
    EXPECT_EQ(a.schemaVersion, 1);
    EXPECT_EQ(a.title.toStdString(), "Capture");
    EXPECT_EQ(a.createdAt, a.modifiedAt);
    EXPECT_LT(std::abs(a.createdAt - now()), 60);
    EXPECT_EQ(a.revision, 0);
    EXPECT_TRUE(a.media.empty() && a.marks.empty() && a.notes.empty());
    EXPECT_TRUE(a.general.isEmpty());
    EXPECT_TRUE(a.includeGeneral);
    EXPECT_FALSE(a.reviewOnly);
    EXPECT_FALSE(a.recordings || a.screenRecording);
}

TEST(LinkedNote, NewNoteIsIncludedAndUnlinked) {
    const LinkedNote n = LinkedNote::make();
    EXPECT_FALSE(n.id.isNull());
    EXPECT_NE(n.id, LinkedNote::make().id);
    EXPECT_FALSE(n.markID || n.timeRange);
    EXPECT_TRUE(n.body.isEmpty());
    EXPECT_TRUE(n.included);
}

TEST(CaptureNoteNumbers, AreListPositionsCountingUnlinkedAndTimeNotes) {
    CaptureNote note = CaptureNote::make();
    const Media image = imageOf(100, 100);
    const Media other = imageOf(100, 100);
    note.media = {image, other};
    const Mark a = markOn(image), b = markOn(other), c = markOn(image), unnumbered = markOn(image);
    note.marks = {a, b, c, unnumbered};
    LinkedNote timeNote = noteFor(std::nullopt);
    timeNote.timeRange = RecordingRange{0, 1000};
    note.notes = {noteFor(std::nullopt), noteFor(a.id), timeNote, noteFor(c.id), noteFor(b.id)};

    EXPECT_EQ(note.number(a.id), 2);
    EXPECT_EQ(note.number(c.id), 4);
    EXPECT_EQ(note.number(b.id), 5);
    EXPECT_EQ(note.number(unnumbered.id), std::nullopt);
    EXPECT_EQ(note.number(newId()), std::nullopt);

    // The marks of one image in list order, numbered with the positions over all notes.
    const std::vector<Mark> onImage = note.marksOn(image.id);
    EXPECT_EQ(onImage, (std::vector<Mark>{a, c, unnumbered}));
    EXPECT_EQ(note.numbers(onImage), (MarkNumbers{{a.id, 2}, {c.id, 4}}));
}

TEST(CaptureNoteNumbers, TheFirstLinkedNoteGivesTheNumber) {
    CaptureNote note = CaptureNote::make();
    const Media image = imageOf(10, 10);
    const Mark a = markOn(image);
    note.media = {image};
    note.marks = {a};
    note.notes = {noteFor(std::nullopt), noteFor(a.id), noteFor(a.id)};
    EXPECT_EQ(note.number(a.id), 2);
}

TEST(CaptureNoteBody, ReadsAndWritesTheGeneralNoteOrOneNote) {
    CaptureNote note = CaptureNote::make();
    note.general = QStringLiteral("general");
    note.notes = {noteFor(std::nullopt, QStringLiteral("first")),
                  noteFor(std::nullopt, QStringLiteral("second"))};
    const Id second = note.notes[1].id;

    EXPECT_EQ(note.body(std::nullopt), QStringLiteral("general"));
    EXPECT_EQ(note.body(second), QStringLiteral("second"));
    EXPECT_EQ(note.body(newId()), std::nullopt);

    note.setBody(QStringLiteral("changed"), second);
    note.setBody(QStringLiteral("overall"), std::nullopt);
    EXPECT_EQ(note.notes[0].body, QStringLiteral("first"));
    EXPECT_EQ(note.notes[1].body, QStringLiteral("changed"));
    EXPECT_EQ(note.general, QStringLiteral("overall"));

    const CaptureNote before = note;
    note.setBody(QStringLiteral("lost"), newId());
    EXPECT_EQ(note, before);
}

TEST(CaptureNoteHasRequest, NeedsVisibleTextInSomethingIncluded) {
    struct Row {
        const char* what;
        QString general;
        bool includeGeneral;
        QString noteBody;
        bool noteIncluded;
        bool expected;
    };
    const QString blank = QStringLiteral(" \t\r\n\u00A0\u3000\u2028");
    const Row rows[] = {
        {"nothing written", {}, true, {}, true, false},
        {"white space and line breaks only", blank, true, blank, true, false},
        {"general text", QStringLiteral("  fix this\n"), true, {}, true, true},
        {"general text left out", QStringLiteral("fix this"), false, blank, true, false},
        {"note text", blank, true, QStringLiteral(" x "), true, true},
        {"note text left out", {}, true, QStringLiteral("x"), false, false},
        {"left-out general, included note", QStringLiteral("a"), false, QStringLiteral("b"), true,
         true},
    };
    for (const Row& row : rows) {
        CaptureNote note = CaptureNote::make();
        note.general = row.general;
        note.includeGeneral = row.includeGeneral;
        LinkedNote n = noteFor(std::nullopt, row.noteBody);
        n.included = row.noteIncluded;
        note.notes = {noteFor(std::nullopt, blank), n};
        EXPECT_EQ(note.hasRequest(), row.expected) << row.what;
    }
}

TEST(CaptureNoteHasSameRequestContent, IgnoresBookkeepingButNotContent) {
    CaptureNote base = CaptureNote::make();
    const Media image = imageOf(100, 100);
    base.media = {image};
    base.marks = {markOn(image)};
    base.notes = {noteFor(base.marks[0].id, QStringLiteral("button"))};
    base.general = QStringLiteral("general");

    struct Row {
        const char* what;
        std::function<void(CaptureNote&)> change;
        bool same;
    };
    const Row rows[] = {
        {"revision", [](CaptureNote& n) { n.revision += 1; }, true},
        {"dates",
         [](CaptureNote& n) {
             n.createdAt -= 100;
             n.modifiedAt += 100;
         },
         true},
        {"format level", [](CaptureNote& n) { n.schemaVersion = 8; }, true},
        {"voice recordings",
         [](CaptureNote& n) { n.recordings = std::vector<VoiceRecording>{VoiceRecording{}}; },
         true},
        {"id", [](CaptureNote& n) { n.id = newId(); }, false},
        {"title", [](CaptureNote& n) { n.title = QStringLiteral("Other"); }, false},
        {"image role", [](CaptureNote& n) { n.media[0].role = MediaRole::After; }, false},
        {"mark moved", [](CaptureNote& n) { n.marks[0].translate(0.01, 0); }, false},
        {"general text", [](CaptureNote& n) { n.general += QStringLiteral("!"); }, false},
        {"general left out", [](CaptureNote& n) { n.includeGeneral = false; }, false},
        {"note left out", [](CaptureNote& n) { n.notes[0].included = false; }, false},
        {"review only", [](CaptureNote& n) { n.reviewOnly = true; }, false},
        {"screen recording", [](CaptureNote& n) { n.screenRecording = ScreenRecording{}; }, false},
    };
    for (const Row& row : rows) {
        CaptureNote changed = base;
        row.change(changed);
        EXPECT_EQ(changed.hasSameRequestContent(base), row.same) << row.what;
        EXPECT_EQ(base.hasSameRequestContent(changed), row.same) << row.what;
    }
}

TEST(AnnotationClipboard, PastesAMovedCopyOntoTheTargetImage) {
    CaptureNote note = CaptureNote::make();
    const Media source = imageOf(100, 100), target = imageOf(200, 200);
    note.media = {source, target};
    Mark lens = markOn(source, MarkKind::Magnify);
    lens.magnification = 3;
    lens.magnificationCenter = Point{30, 40};
    note.marks = {lens};

    const Id pasted = AnnotationClipboard{lens, std::nullopt}.insert(note, target.id);

    ASSERT_EQ(note.marks.size(), 2u);
    const Mark& copy = note.marks.back();
    EXPECT_EQ(copy.id, pasted);
    EXPECT_NE(copy.id, lens.id);
    Mark expected = lens;
    expected.id = pasted;
    expected.mediaID = target.id;
    expected.start = {22, 32};
    expected.end = {62, 92};
    EXPECT_EQ(copy, expected);
    EXPECT_TRUE(note.notes.empty());
}

TEST(AnnotationClipboard, OnlyAPointerGetsANewEmptyNote) {
    struct Row {
        MarkKind kind;
        bool getsNote;
    };
    for (const Row& row : {Row{MarkKind::Pointer, true}, Row{MarkKind::Rectangle, false},
                           Row{MarkKind::Text, false}}) {
        CaptureNote note = CaptureNote::make();
        const Media image = imageOf(100, 100);
        note.media = {image};
        note.notes = {noteFor(std::nullopt, QStringLiteral("existing"))};

        const Id pasted =
            AnnotationClipboard{markOn(image, row.kind), std::nullopt}.insert(note, image.id);

        const std::string kind = rawValue(row.kind).toStdString();
        ASSERT_EQ(note.notes.size(), row.getsNote ? 2u : 1u) << kind;
        if (!row.getsNote)
            continue;
        const LinkedNote& added = note.notes.back();
        EXPECT_EQ(added.markID, pasted) << kind;
        EXPECT_TRUE(added.body.isEmpty()) << kind;
        EXPECT_TRUE(added.included) << kind;
        EXPECT_FALSE(added.timeRange) << kind;
        EXPECT_NE(added.id, note.notes.front().id) << kind;
        EXPECT_EQ(note.number(pasted), 2) << kind;
    }
}

TEST(AnnotationClipboard, CopiesTheCarriedNoteUnderANewId) {
    CaptureNote note = CaptureNote::make();
    const Media image = imageOf(100, 100);
    note.media = {image};
    const Mark pointer = markOn(image, MarkKind::Pointer);
    note.marks = {pointer};
    LinkedNote carried = noteFor(pointer.id, QStringLiteral("this button"));
    carried.included = false;
    carried.timeRange = RecordingRange{1000, 5000};
    note.notes = {carried};

    const Id pasted = AnnotationClipboard{pointer, carried}.insert(note, image.id);

    ASSERT_EQ(note.notes.size(), 2u) << "a carried note replaces the pointer's empty note";
    EXPECT_EQ(note.notes.front(), carried);
    LinkedNote expected = carried;
    expected.id = note.notes.back().id;
    expected.markID = pasted;
    EXPECT_NE(expected.id, carried.id);
    EXPECT_EQ(note.notes.back(), expected);
}

// Two images with marks and notes; the second image can be removed.
struct TwoImages {
    CaptureNote note = CaptureNote::make();
    Media kept = imageOf(100, 100);
    Media removed = imageOf(100, 100);
    Mark onKept = markOn(kept);
    Mark first = markOn(removed);
    Mark second = markOn(removed, MarkKind::Pointer);

    TwoImages() {
        note.media = {kept, removed};
        note.marks = {first, onKept, second};
        note.notes = {noteFor(first.id, QStringLiteral("one")), noteFor(std::nullopt),
                      noteFor(onKept.id, QStringLiteral("two")),
                      noteFor(second.id, QStringLiteral("three"))};
    }
};

TEST(RemoveImage, RemovesItsMarksAndUnlinksTheirNotesInPlace) {
    TwoImages f;
    const std::vector<LinkedNote> notesBefore = f.note.notes;

    EXPECT_TRUE(removeImage(f.note, f.removed.id));

    EXPECT_EQ(f.note.media, (std::vector<Media>{f.kept}));
    EXPECT_EQ(f.note.marks, (std::vector<Mark>{f.onKept}));
    ASSERT_EQ(f.note.notes.size(), notesBefore.size());
    for (size_t i = 0; i < notesBefore.size(); ++i) {
        LinkedNote expected = notesBefore[i];
        if (i != 2)
            expected.markID.reset();
        EXPECT_EQ(f.note.notes[i], expected) << "note " << i;
    }
    EXPECT_EQ(f.note.number(f.onKept.id), 3);
}

TEST(RemoveImage, UnknownIdChangesNothing) {
    TwoImages f;
    const CaptureNote before = f.note;
    EXPECT_FALSE(removeImage(f.note, newId()));
    EXPECT_EQ(f.note, before);
}

TEST(RemoveImage, RefusesTheLastImageAndScrollSources) {
    struct Row {
        const char* what;
        std::function<void(TwoImages&)> setUp;
        std::function<Id(const TwoImages&)> target;
        const char* refusal;
    };
    const auto stitchFromRemoved = [](TwoImages& f) {
        ScrollCaptureInfo info;
        info.pieces = {{f.removed.id, 0, 0}};
        f.note.media[0].scrollCapture = info;
    };
    const Row rows[] = {
        {"the only image",
         [](TwoImages& f) {
             f.note.media = {f.kept};
             f.note.marks = {f.onKept};
         },
         [](const TwoImages& f) { return f.kept.id; }, kKeepOneImage},
        {"a source frame of a stitched image", stitchFromRemoved,
         [](const TwoImages& f) { return f.removed.id; }, kKeepScrollSources},
    };
    for (const Row& row : rows) {
        TwoImages f;
        row.setUp(f);
        const CaptureNote before = f.note;
        EXPECT_EQ(removeImageRefusal(f.note, row.target(f)), row.refusal) << row.what;
        EXPECT_EQ(f.note, before) << row.what;
    }
}

TEST(RemoveImage, TheStitchedImageItselfCanGo) {
    TwoImages f;
    ScrollCaptureInfo info;
    info.pieces = {{f.kept.id, 0, 0}};
    f.note.media[1].scrollCapture = info;
    EXPECT_TRUE(removeImage(f.note, f.removed.id));
    EXPECT_EQ(f.note.media, (std::vector<Media>{f.kept}));
}

TEST(RemoveImage, ActionNameSaysFrameForRecordingFrames) {
    TwoImages f;
    f.note.media[1].recordingFrame = RecordingFrame{0, QString(64, u'a')};
    EXPECT_EQ(removeImageActionName(f.note, f.removed.id).toStdString(), "Remove Frame");
    EXPECT_EQ(removeImageActionName(f.note, f.kept.id).toStdString(), "Remove Image");
}

} // namespace
} // namespace lumbex
