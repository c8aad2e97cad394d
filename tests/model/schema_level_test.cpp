#include "model/note_fixtures.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

Mark& addMark(CaptureNote& note, MarkKind kind, Point start = {100, 100}, Point end = {200, 160}) {
    note.marks.push_back(test::makeMark(note.media[0], kind, start, end));
    return note.marks.back();
}

void addVoice(CaptureNote& note) {
    note.recordings = std::vector<VoiceRecording>{
        {newId(), std::nullopt, 0, QStringLiteral("en-US"), 1, {}, {}, {}}};
}

void addRecording(CaptureNote& note) {
    note.screenRecording = test::makeRecording();
}

// A pointer at (5, 5): its badge sits 24 pixels up and left, outside the image.
void addPointerNearCorner(CaptureNote& note, bool numbered) {
    const Mark& pointer = addMark(note, MarkKind::Pointer, {5, 5}, {5, 5});
    if (numbered)
        note.notes.push_back(test::makeLinkedNote(pointer.id));
}

struct Row {
    const char* name;
    std::function<void(CaptureNote&)> change;
    qint64 level;
};

void expectLevels(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = test::makeNote(2, 2, 1);
        row.change(note);
        EXPECT_EQ(minimumSchemaVersion(note), row.level);
        // The level it asks for is enough to hold the note.
        note.schemaVersion = minimumSchemaVersion(note);
        EXPECT_NO_THROW(validate(note));
    }
}

TEST(MinimumSchemaVersion, EachLevelsFirstContent) {
    expectLevels({
        {"images, marks and notes", [](CaptureNote&) {}, 1},
        {"level-1 mark kinds inside the image",
         [](CaptureNote& n) {
             for (MarkKind kind : {MarkKind::Pointer, MarkKind::Arrow, MarkKind::Rectangle,
                                   MarkKind::Freehand, MarkKind::Text, MarkKind::Redact})
                 addMark(n, kind);
         },
         1},
        {"an empty voice recording list", [](CaptureNote& n) { n.recordings.emplace(); }, 1},
        {"a voice recording", addVoice, 2},
        {"a # mark colour", [](CaptureNote& n) { n.marks[1].color = QStringLiteral("#00FF00"); },
         3},
        {"a named mark colour", [](CaptureNote& n) { n.marks[1].color = QStringLiteral("orange"); },
         1},
        {"a background", [](CaptureNote& n) { n.media[1].background = ImageBackground{}; }, 3},
        {"a background without padding",
         [](CaptureNote& n) {
             n.media[1].background = ImageBackground{};
             n.media[1].background->padding = 0;
         },
         3},
        {"an arrow sticking out of an uncropped image",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Arrow, {100, 100}, {-20, 100});
         },
         3},
        {"a rectangle whose stroke covers the image edge",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Rectangle, {0, 0}, {800, 600});
         },
         3},
        {"an arrow sticking out of a cropped image",
         [](CaptureNote& n) {
             addMark(n, MarkKind::Arrow, {100, 100}, {-20, 100});
             n.media[0].crop = n.media[0].extent();
         },
         1},
        {"a fractional crop",
         [](CaptureNote& n) {
             n.media[0].crop = Rect{50.5, 60.25, 400.5, 300.1};
         },
         1},
        {"a numbered pointer whose badge sticks out",
         [](CaptureNote& n) { addPointerNearCorner(n, true); }, 3},
        {"the same pointer without a number",
         [](CaptureNote& n) { addPointerNearCorner(n, false); }, 1},
        {"a screen recording", addRecording, 4},
        {"a line", [](CaptureNote& n) { addMark(n, MarkKind::Line); }, 5},
        {"an ellipse", [](CaptureNote& n) { addMark(n, MarkKind::Ellipse); }, 5},
        {"a highlight", [](CaptureNote& n) { addMark(n, MarkKind::Highlight); }, 5},
        {"a magnifier", [](CaptureNote& n) { addMark(n, MarkKind::Magnify); }, 6},
        {"a scroll capture", test::addScrollCapture, 7},
        {"recording recovery",
         [](CaptureNote& n) {
             addRecording(n);
             n.screenRecording->recovery = RecordingRecovery::Complete;
         },
         8},
    });
}

TEST(MinimumSchemaVersion, TheHighestContentDecides) {
    const auto everything = [](CaptureNote& n) {
        addVoice(n);
        n.media[0].background = ImageBackground{};
        addRecording(n);
        addMark(n, MarkKind::Line);
        addMark(n, MarkKind::Magnify);
        test::addScrollCapture(n);
    };
    expectLevels({
        {"recovery beats everything",
         [&](CaptureNote& n) {
             everything(n);
             n.screenRecording->recovery = RecordingRecovery::Partial;
         },
         8},
        {"scroll capture beats the rest", everything, 7},
        {"magnifier beats line, recording, background and voice",
         [](CaptureNote& n) {
             addVoice(n);
             addRecording(n);
             addMark(n, MarkKind::Highlight);
             addMark(n, MarkKind::Magnify);
         },
         6},
        {"line beats recording",
         [](CaptureNote& n) {
             addRecording(n);
             addMark(n, MarkKind::Ellipse);
         },
         5},
        {"recording beats level 3 content",
         [](CaptureNote& n) {
             addRecording(n);
             n.media[0].background = ImageBackground{};
         },
         4},
        {"level 3 content beats voice",
         [](CaptureNote& n) {
             addVoice(n);
             n.marks[0].color = QStringLiteral("#123456");
         },
         3},
    });
}

} // namespace
} // namespace lumbex
