#include "core/error.h"
#include "model/note_edits.h"
#include "support/test_marks.h"

#include <QVariant>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

CaptureNote noteWithImage() {
    CaptureNote note = CaptureNote::make();
    Media media;
    media.id = newId();
    media.width = 400;
    media.height = 300;
    media.sha256 = QString(64, u'0');
    media.includeInRequest = true;
    note.media.push_back(media);
    return note;
}

Mark markOn(const CaptureNote& note, MarkKind kind, Point start, Point end) {
    Mark mark = makeMark(kind, start, end);
    mark.mediaID = note.media.front().id;
    return mark;
}

TEST(NoteEdits, ALocationPinGetsTheNextNumberedNote) {
    CaptureNote note = noteWithImage();
    const Mark arrow = markOn(note, MarkKind::Arrow, {0, 0}, {50, 50});
    const Mark first = markOn(note, MarkKind::Pointer, {10, 10}, {10, 10});
    const Mark second = markOn(note, MarkKind::Pointer, {90, 90}, {90, 90});
    edits::addMark(note, arrow);
    edits::addMark(note, first);
    edits::addMark(note, second);
    ASSERT_EQ(note.notes.size(), 2u);
    EXPECT_EQ(note.number(first.id), 1);
    EXPECT_EQ(note.number(second.id), 2);
    EXPECT_FALSE(note.number(arrow.id));
    EXPECT_TRUE(note.notes.front().included);
    EXPECT_EQ(edits::ensureNoteForMark(note, first.id), note.notes.front().id);
}

TEST(NoteEdits, DeletingAMarkKeepsItsNoteUnlinked) {
    CaptureNote note = noteWithImage();
    const Mark pin = markOn(note, MarkKind::Pointer, {10, 10}, {10, 10});
    edits::addMark(note, pin);
    note.notes.front().body = QStringLiteral("keep me");
    edits::deleteMark(note, pin.id);
    EXPECT_TRUE(note.marks.empty());
    ASSERT_EQ(note.notes.size(), 1u);
    EXPECT_FALSE(note.notes.front().markID);
    EXPECT_EQ(note.notes.front().body, "keep me");
    EXPECT_THROW(edits::deleteMark(note, pin.id), LumbexError);
}

TEST(NoteEdits, ReconnectNeedsASelectedMarkWithoutANote) {
    CaptureNote note = noteWithImage();
    const Mark pin = markOn(note, MarkKind::Pointer, {10, 10}, {10, 10});
    const Mark box = markOn(note, MarkKind::Rectangle, {20, 20}, {80, 60});
    edits::addMark(note, pin);
    edits::addMark(note, box);
    const Id noteID = note.notes.front().id;
    try {
        edits::reconnectNote(note, noteID, pin.id);
        ADD_FAILURE() << "reconnecting to a mark with a note was not refused";
    } catch (const LumbexError& e) {
        EXPECT_EQ(e.message(), "Select an annotation without a linked note first.");
    }
    edits::reconnectNote(note, noteID, box.id);
    EXPECT_EQ(note.number(box.id), 1);
    EXPECT_FALSE(note.number(pin.id));
}

TEST(NoteEdits, MovingToTheGeneralNoteJoinsWithABlankLineAndHandsOverRecordings) {
    CaptureNote note = noteWithImage();
    note.general = QStringLiteral("Keep colors");
    const Mark pin = markOn(note, MarkKind::Pointer, {10, 10}, {10, 10});
    edits::addMark(note, pin);
    note.notes.front().body = QStringLiteral("Fix the button");
    const Id noteID = note.notes.front().id;
    VoiceRecording recording;
    recording.id = newId();
    recording.noteID = noteID;
    note.recordings = std::vector{recording};

    edits::moveToGeneralNote(note, noteID);
    EXPECT_EQ(note.general, "Keep colors\n\nFix the button");
    EXPECT_TRUE(note.notes.empty());
    EXPECT_FALSE(note.recordings->front().noteID);
    EXPECT_FALSE(note.number(pin.id));
}

TEST(NoteEdits, InspectorBoundsNameTheChange) {
    CaptureNote note = noteWithImage();
    Mark text = markOn(note, MarkKind::Text, {10, 10}, {250, 74});
    text.text = QStringLiteral("Hello");
    edits::addMark(note, text);
    EXPECT_EQ(edits::setMarkBounds(note, text.id, {30, 40, 240, 64}), "Move Annotation");
    EXPECT_EQ(edits::setMarkBounds(note, text.id, {30, 40, 300, 64}), "Resize Annotation");
}

} // namespace
} // namespace lumbex
