#include "core/error.h"
#include "records/capture_note.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace lumbex {
namespace {

Media imageOf() {
    Media m;
    m.id = newId();
    m.width = m.height = 100;
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
    return {newId(), markID, body, true, std::nullopt};
}

std::string removeImageRefusal(CaptureNote& note, const Id& mediaID) {
    try {
        removeImage(note, mediaID);
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(CaptureNote, NumbersAreFirstLinkedNotePositionsCountingUnlinkedAndTimeNotes) {
    CaptureNote note = CaptureNote::make();
    const Media image = imageOf(), other = imageOf();
    note.media = {image, other};
    const Mark a = markOn(image), b = markOn(other), c = markOn(image), unnumbered = markOn(image);
    note.marks = {a, b, c, unnumbered};
    LinkedNote timeNote = noteFor(std::nullopt);
    timeNote.timeRange = RecordingRange{0, 1000};
    note.notes = {noteFor(std::nullopt), noteFor(a.id), timeNote,
                  noteFor(c.id),         noteFor(b.id), noteFor(a.id)};

    EXPECT_EQ(note.number(a.id), 2);
    EXPECT_EQ(note.number(b.id), 5);
    EXPECT_EQ(note.number(newId()), std::nullopt);
    const std::vector<Mark> onImage = note.marksOn(image.id);
    EXPECT_EQ(onImage, (std::vector<Mark>{a, c, unnumbered}));
    EXPECT_EQ(note.numbers(onImage), (MarkNumbers{{a.id, 2}, {c.id, 4}}));
}

TEST(CaptureNote, BodyReadsAndWritesTheGeneralNoteOrOneNote) {
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

TEST(CaptureNote, HasRequestNeedsVisibleTextInSomethingIncluded) {
    const QString blank = QStringLiteral(" \t\r\n\u00A0\u3000\u2028");
    const QString text = QStringLiteral(" x\n");
    // General text, whether it is included, a note's text, whether that is included.
    const std::tuple<QString, bool, QString, bool, bool> rows[] = {
        {blank, true, blank, true, false},
        {text, true, {}, true, true},
        {text, false, blank, true, false},
        {{}, true, text, false, false}};
    for (const auto& [general, includeGeneral, body, included, expected] : rows) {
        CaptureNote note = CaptureNote::make();
        note.general = general;
        note.includeGeneral = includeGeneral;
        LinkedNote n = noteFor(std::nullopt, body);
        n.included = included;
        note.notes = {noteFor(std::nullopt, blank), n};
        EXPECT_EQ(note.hasRequest(), expected) << general.size() << includeGeneral << body.size();
    }
}

TEST(CaptureNote, SameRequestContentIgnoresBookkeepingButNotContent) {
    CaptureNote base = CaptureNote::make();
    base.media = {imageOf()};
    base.marks = {markOn(base.media[0])};
    base.notes = {noteFor(base.marks[0].id, QStringLiteral("button"))};
    const std::tuple<const char*, std::function<void(CaptureNote&)>, bool> rows[] = {
        {"revision", [](CaptureNote& n) { n.revision += 1; }, true},
        {"format level", [](CaptureNote& n) { n.schemaVersion = 8; }, true},
        {"title", [](CaptureNote& n) { n.title = QStringLiteral("Other"); }, false},
        {"mark moved", [](CaptureNote& n) { n.marks[0].translate(0.01, 0); }, false},
        {"general left out", [](CaptureNote& n) { n.includeGeneral = false; }, false},
        {"note left out", [](CaptureNote& n) { n.notes[0].included = false; }, false},
        {"screen recording", [](CaptureNote& n) { n.screenRecording = ScreenRecording{}; }, false},
    };
    for (const auto& [what, change, same] : rows) {
        CaptureNote changed = base;
        change(changed);
        EXPECT_EQ(changed.hasSameRequestContent(base), same) << what;
        EXPECT_EQ(base.hasSameRequestContent(changed), same) << what;
    }
}

TEST(AnnotationClipboard, PastesAMovedCopyWithItsNoteOrAnEmptyNoteForABarePointer) {
    CaptureNote note = CaptureNote::make();
    const Media source = imageOf(), target = imageOf();
    note.media = {source, target};
    Mark lens = markOn(source, MarkKind::Magnify);
    lens.magnificationCenter = Point{30, 40};
    const Mark pointer = markOn(source, MarkKind::Pointer);
    LinkedNote carried = noteFor(pointer.id, QStringLiteral("this button"));
    carried.included = false;
    carried.timeRange = RecordingRange{1000, 5000};
    note.marks = {lens, pointer};
    note.notes = {carried};
    const auto paste = [&](const AnnotationClipboard& clipboard) {
        const Id pasted = clipboard.insert(note, target.id);
        Mark expected = clipboard.mark;
        expected.id = pasted;
        expected.mediaID = target.id;
        expected.start = {22, 32};
        expected.end = {62, 92};
        EXPECT_NE(pasted, clipboard.mark.id);
        EXPECT_EQ(note.marks.back(), expected);
        return pasted;
    };

    paste({lens, std::nullopt});
    EXPECT_EQ(note.notes.size(), 1u);
    LinkedNote empty = noteFor(paste({pointer, std::nullopt}));
    LinkedNote copy = carried;
    copy.markID = paste({pointer, carried});
    ASSERT_EQ(note.notes.size(), 3u);
    empty.id = note.notes[1].id;
    copy.id = note.notes[2].id;
    EXPECT_NE(copy.id, carried.id);
    EXPECT_EQ(note.notes, (std::vector<LinkedNote>{carried, empty, copy}));
}

// Two images with marks and notes; the second image can be removed.
struct TwoImages {
    CaptureNote note = CaptureNote::make();
    Media kept = imageOf(), removed = imageOf();
    Mark onKept = markOn(kept), first = markOn(removed), second = markOn(removed);

    TwoImages() {
        note.media = {kept, removed};
        note.marks = {first, onKept, second};
        note.notes = {noteFor(first.id, QStringLiteral("one")), noteFor(std::nullopt),
                      noteFor(onKept.id, QStringLiteral("two")),
                      noteFor(second.id, QStringLiteral("three"))};
    }
    void stitch(size_t owner, const Id& source) {
        ScrollCaptureInfo info;
        info.pieces = {{source, 0, 0}};
        note.media[owner].scrollCapture = info;
    }
};

TEST(RemoveImage, RemovesItsMarksAndUnlinksTheirNotesInPlace) {
    TwoImages f;
    std::vector<LinkedNote> expected = f.note.notes;
    expected[0].markID.reset();
    expected[3].markID.reset();

    EXPECT_TRUE(removeImage(f.note, f.removed.id));
    EXPECT_EQ(f.note.media, (std::vector<Media>{f.kept}));
    EXPECT_EQ(f.note.marks, (std::vector<Mark>{f.onKept}));
    EXPECT_EQ(f.note.notes, expected);

    const CaptureNote before = f.note;
    EXPECT_FALSE(removeImage(f.note, newId()));
    EXPECT_EQ(f.note, before);
}

TEST(RemoveImage, RefusesTheLastImageAndScrollSourcesButNotTheStitchedImage) {
    TwoImages f;
    f.stitch(0, f.removed.id);
    CaptureNote before = f.note;
    EXPECT_EQ(removeImageRefusal(f.note, f.removed.id),
              "Keep original scroll frames with their stitched image. Remove the stitched image "
              "first if you want to remove its sources.");
    EXPECT_EQ(f.note, before);

    f.note.media[0].scrollCapture.reset();
    f.stitch(1, f.kept.id);
    ASSERT_TRUE(removeImage(f.note, f.removed.id));
    before = f.note;
    EXPECT_EQ(removeImageRefusal(f.note, f.kept.id),
              "Keep at least one image in this note. Add another frame or image first.");
    EXPECT_EQ(f.note, before);
}

} // namespace
} // namespace lumbex
