#include "model/image_content.h"
#include "model/note_fixtures.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Change = std::function<void(CaptureNote&)>;

// Two images with a numbered rectangle and a redaction on the first, a screen recording, and a
// frame taken from it one second in as the third image.
CaptureNote baseNote() {
    CaptureNote note = test::makeNote(2, 1, 1);
    test::attachRecording(note);
    note.marks.push_back(test::makeMark(note.media[0], MarkKind::Redact, {300, 300}, {400, 350}));
    note.media.push_back(test::makeFrame(*note.screenRecording, 1'000'000));
    return note;
}

const Change trimKeepingTheFrame = [](CaptureNote& n) {
    n.screenRecording->trim = RecordingRange{0, 3'000'000};
};
const Change recordingRedaction = [](CaptureNote& n) {
    n.screenRecording->redactions.push_back({newId(), {0, 100}, {0, 0, 10, 10}});
};
// Texts and settings around the first image that never change its pixels.
const Change noteTextsAndImageSettings = [](CaptureNote& n) {
    n.general = QStringLiteral("general");
    n.notes[0].body = QStringLiteral("changed");
    n.title = QStringLiteral("Other");
    n.media[0].role = MediaRole::Reference;
    n.media[0].includeInRequest = false;
    n.media[0].recognition = RecognitionCache{test::digest(), QStringLiteral("t")};
};
const Change background = [](CaptureNote& n) { n.media[0].background = ImageBackground{}; };

struct Row {
    const char* name;
    Change change;
    bool changed;
};

TEST(ImageKey, ChangesExactlyWithWhatAReaderOfTheImageSees) {
    const CaptureNote note = baseNote();
    EXPECT_NE(imageKey(note, note.media[1]), imageKey(note, note.media[0]));
    const auto on = [](size_t image, const Row& row) {
        const CaptureNote before = baseNote();
        CaptureNote after = before;
        row.change(after);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(imageKey(before, before.media[image]) != imageKey(after, after.media[image]),
                  row.changed);
    };
    for (const Row& row : std::vector<Row>{
             {"texts, settings, other marks, redactions elsewhere, recording edits",
              [](CaptureNote& n) {
                  noteTextsAndImageSettings(n);
                  background(n);
                  n.marks[0].translate(5, 0);
                  n.marks.push_back(test::makeMark(n.media[1], MarkKind::Redact));
                  trimKeepingTheFrame(n);
              },
              false},
             {"moving the redaction", [](CaptureNote& n) { n.marks[1].translate(1, 0); }, true},
             {"cropping",
              [](CaptureNote& n) {
                  n.media[0].crop = Rect{0, 0, 400, 300};
              },
              true},
             {"a new original", [](CaptureNote& n) { n.media[0].sha256 = test::digest('d'); },
              true},
         })
        on(0, row);
    on(2, {"a frame, editing the recording", trimKeepingTheFrame, true});
    on(2, {"a frame, note texts", noteTextsAndImageSettings, false});
}

TEST(IsFrameCurrent, FollowsTheVisualKeyAndTheTrim) {
    const auto trim = [](qint64 start, qint64 end) -> Change {
        return [=](CaptureNote& n) { n.screenRecording->trim = RecordingRange{start, end}; };
    };
    const Row rows[] = {
        {"renamed, muted and recovered",
         [](CaptureNote& n) {
             n.screenRecording->title = QStringLiteral("Other");
             n.screenRecording->muteMicrophone = true;
             n.screenRecording->recovery = RecordingRecovery::Complete;
         },
         false},
        {"trim starting after the frame", trim(1'000'001, 2'000'000), true},
        {"a redaction added to the recording", recordingRedaction, true},
        {"a stale key",
         [](CaptureNote& n) { n.media[2].recordingFrame->visualKey = test::digest('0'); }, true},
        {"no recording", [](CaptureNote& n) { n.screenRecording.reset(); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = baseNote();
        row.change(note);
        EXPECT_EQ(isFrameCurrent(note, note.media[2]), !row.changed);
        EXPECT_EQ(test::thrownMessage([&] { validateFrame(note, note.media[2]); }),
                  row.changed ? "This frame predates the recording edits or is outside the trim. "
                                "Use Image actions to add an updated frame, then remove or "
                                "exclude the old frame. Review any unlinked notes before sharing."
                              : "");
    }
    // Images that are not frames are current even without a recording.
    CaptureNote note = baseNote();
    note.screenRecording.reset();
    EXPECT_TRUE(isFrameCurrent(note, note.media[0]));
}

TEST(HasSameImageContent, ChangesWithWhatTheImageShows) {
    const CaptureNote before = baseNote();
    const auto on = [&](size_t image, const Row& row) {
        SCOPED_TRACE(row.name);
        CaptureNote after = before;
        row.change(after);
        const Id id = before.media[image].id;
        EXPECT_EQ(hasSameImageContent(before, after, id), !row.changed);
        EXPECT_EQ(hasSameImageContent(after, before, id), !row.changed);
    };
    for (const Row& row : std::vector<Row>{
             {"texts, settings, a mark elsewhere and a note appended after the badge",
              [](CaptureNote& n) {
                  noteTextsAndImageSettings(n);
                  n.marks.push_back(test::makeMark(n.media[1], MarkKind::Arrow));
                  n.notes.push_back(test::makeLinkedNote());
              },
              false},
             {"a mark moved", [](CaptureNote& n) { n.marks[0].translate(1, 0); }, true},
             {"the badge number changed by a note inserted before",
              [](CaptureNote& n) { n.notes.insert(n.notes.begin(), test::makeLinkedNote()); },
              true},
             {"the background", background, true},
         })
        on(0, row);
    on(2, {"a frame, a trim that keeps it", trimKeepingTheFrame, false});
    on(2, {"a frame, a redaction in the recording", recordingRedaction, true});
}

} // namespace
} // namespace lumbex
