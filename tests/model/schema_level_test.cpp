#include "model/note_fixtures.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Change = std::function<void(CaptureNote&)>;

// Adds a mark of `kind` on the first image.
Change mark(MarkKind kind, Point start = {100, 100}, Point end = {200, 160}) {
    return [=](CaptureNote& n) { n.marks.push_back(test::makeMark(n.media[0], kind, start, end)); };
}

// A pointer at (5, 5), numbered or not: a badge sits 24 pixels up and left, outside the image.
Change pointerNearCorner(bool numbered) {
    return [numbered](CaptureNote& n) {
        mark(MarkKind::Pointer, {5, 5}, {5, 5})(n);
        if (numbered)
            n.notes.push_back(test::makeLinkedNote(n.marks.back().id));
    };
}

const Change voice = [](CaptureNote& n) {
    VoiceRecording recording;
    recording.id = newId();
    recording.locale = QStringLiteral("en-US");
    recording.duration = 1;
    n.recordings = std::vector{recording};
};
const Change background = [](CaptureNote& n) { n.media[1].background = ImageBackground{}; };

// The level it asks for is also enough to hold the note.
void expectLevel(const std::vector<Change>& changes, qint64 level) {
    CaptureNote note = test::makeNote(2, 2, 1);
    for (const Change& change : changes)
        change(note);
    EXPECT_EQ(minimumSchemaVersion(note), level);
    note.schemaVersion = minimumSchemaVersion(note);
    EXPECT_NO_THROW(validate(note));
}

TEST(MinimumSchemaVersion, EachLevelWinsOverAllLowerContent) {
    const std::pair<qint64, Change> ladder[] = {
        {2, voice},
        {3, background},
        {4, [](CaptureNote& n) { n.screenRecording = test::makeRecording(); }},
        {5, mark(MarkKind::Line)},
        {6, mark(MarkKind::Magnify)},
        {7, test::addScrollCapture},
        {8, [](CaptureNote& n) { n.screenRecording->recovery = RecordingRecovery::Complete; }},
    };
    std::vector<Change> content;
    for (const auto& [level, change] : ladder) {
        SCOPED_TRACE(level);
        content.push_back(change);
        expectLevel(content, level);
    }
}

TEST(MinimumSchemaVersion, ContentOfEachLevel) {
    const struct {
        const char* name;
        Change change;
        qint64 level;
    } rows[] = {
        {"level-1 mark kinds inside the image",
         [](CaptureNote& n) {
             for (MarkKind kind : {MarkKind::Pointer, MarkKind::Arrow, MarkKind::Rectangle,
                                   MarkKind::Freehand, MarkKind::Text, MarkKind::Redact})
                 mark(kind)(n);
         },
         1},
        {"a # mark colour", [](CaptureNote& n) { n.marks[1].color = "#00FF00"; }, 3},
        {"an arrow sticking out of an uncropped image",
         mark(MarkKind::Arrow, {100, 100}, {-20, 100}), 3},
        {"the same arrow on a cropped image",
         [](CaptureNote& n) {
             mark(MarkKind::Arrow, {100, 100}, {-20, 100})(n);
             n.media[0].crop = n.media[0].extent();
         },
         1},
        {"a numbered pointer whose badge sticks out", pointerNearCorner(true), 3},
        {"the same pointer without a number", pointerNearCorner(false), 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectLevel({row.change}, row.level);
    }
}

} // namespace
} // namespace lumbex
