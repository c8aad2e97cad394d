#include "model/image_content.h"
#include "model/note_fixtures.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr char kStaleFrame[] =
    "This frame predates the recording edits or is outside the trim. Use Image actions to add an "
    "updated frame, then remove or exclude the old frame. Review any unlinked notes before "
    "sharing.";

using Change = std::function<void(CaptureNote&)>;

// Two images with a numbered rectangle and a redaction on the first, a screen recording, and a
// frame from it as the third image.
CaptureNote baseNote() {
    CaptureNote note = test::makeNote(2, 1, 1);
    test::attachRecording(note);
    note.marks.push_back(test::makeMark(note.media[0], MarkKind::Redact, {300, 300}, {400, 350}));
    note.media.push_back(test::makeFrame(*note.screenRecording, 1'000'000));
    return note;
}

QString keyOf(const CaptureNote& note, size_t image) {
    return imageKey(note, note.media[image]);
}

struct KeyRow {
    const char* name;
    Change change;
    bool changesKey;
};

void expectKeyChanges(size_t image, const std::vector<KeyRow>& rows) {
    const CaptureNote before = baseNote();
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote after = before;
        row.change(after);
        EXPECT_EQ(keyOf(before, image) != keyOf(after, image), row.changesKey);
    }
}

Mark& redactionOf(CaptureNote& note) {
    return note.marks[1];
}

TEST(ImageKey, IsALowerCaseSha256AndRepeatable) {
    const CaptureNote note = baseNote();
    const QString key = keyOf(note, 0);
    EXPECT_EQ(key.size(), 64);
    EXPECT_EQ(key, key.toLower());
    EXPECT_EQ(keyOf(baseNote(), 0).size(), 64);
    EXPECT_EQ(keyOf(note, 0), key);
    EXPECT_NE(keyOf(note, 1), key);
}

TEST(ImageKey, ChangesExactlyWithWhatAReaderOfTheImageSees) {
    expectKeyChanges(
        0,
        {
            {"adding an arrow",
             [](CaptureNote& n) { n.marks.push_back(test::makeMark(n.media[0], MarkKind::Arrow)); },
             false},
            {"moving the rectangle", [](CaptureNote& n) { n.marks[0].start.x += 5; }, false},
            {"note texts",
             [](CaptureNote& n) {
                 n.general = QStringLiteral("general");
                 n.notes[0].body = QStringLiteral("changed");
             },
             false},
            {"title", [](CaptureNote& n) { n.title = QStringLiteral("Other"); }, false},
            {"background", [](CaptureNote& n) { n.media[0].background = ImageBackground{}; },
             false},
            {"role", [](CaptureNote& n) { n.media[0].role = MediaRole::After; }, false},
            {"inclusion",
             [](CaptureNote& n) { n.media[0].includeInRequest = !n.media[0].includeInRequest; },
             false},
            {"recognition",
             [](CaptureNote& n) {
                 n.media[0].recognition = RecognitionCache{test::digest(), QStringLiteral("t")};
             },
             false},
            {"a redaction on another image",
             [](CaptureNote& n) {
                 n.marks.push_back(test::makeMark(n.media[1], MarkKind::Redact));
             },
             false},
            {"editing the recording", [](CaptureNote& n) { n.screenRecording->muteSystem = true; },
             false},
            {"adding a redaction",
             [](CaptureNote& n) {
                 n.marks.push_back(test::makeMark(n.media[0], MarkKind::Redact));
             },
             true},
            {"moving the redaction", [](CaptureNote& n) { redactionOf(n).translate(1, 0); }, true},
            {"resizing the redaction", [](CaptureNote& n) { redactionOf(n).end.y += 0.5; }, true},
            {"deleting the redaction", [](CaptureNote& n) { n.marks.erase(n.marks.begin() + 1); },
             true},
            {"cropping",
             [](CaptureNote& n) {
                 n.media[0].crop = Rect{0, 0, 400, 300};
             },
             true},
            {"a new original", [](CaptureNote& n) { n.media[0].sha256 = test::digest('d'); }, true},
            {"new dimensions", [](CaptureNote& n) { n.media[0].width = 801; }, true},
            {"the name", [](CaptureNote& n) { n.media[0].name = QStringLiteral("Renamed"); }, true},
        });
}

TEST(ImageKey, OfARecordingFrameFollowsTheRecordingsEdits) {
    const Change trim = [](CaptureNote& n) {
        n.screenRecording->trim = RecordingRange{0, 3'000'000};
    };
    const Change muteSystem = [](CaptureNote& n) { n.screenRecording->muteSystem = true; };
    const Change muteMicrophone = [](CaptureNote& n) { n.screenRecording->muteMicrophone = true; };
    const Change rename = [](CaptureNote& n) {
        n.screenRecording->title = QStringLiteral("Renamed");
    };
    const Change noteText = [](CaptureNote& n) { n.general = QStringLiteral("text"); };
    expectKeyChanges(2, {
                            {"trimming", trim, true},
                            {"muting system audio", muteSystem, true},
                            {"muting the microphone", muteMicrophone, true},
                            {"renaming the recording", rename, true},
                            {"note texts", noteText, false},
                        });
    expectKeyChanges(1, {
                            {"trimming", trim, false},
                            {"muting system audio", muteSystem, false},
                            {"muting the microphone", muteMicrophone, false},
                        });
}

TEST(IsFrameCurrent, FollowsTheVisualKeyAndTheTrim) {
    const struct {
        const char* name;
        Change change;
        bool current;
    } rows[] = {
        {"as taken", [](CaptureNote&) {}, true},
        {"renamed, muted and recovered",
         [](CaptureNote& n) {
             n.screenRecording->title = QStringLiteral("Other");
             n.screenRecording->muteMicrophone = true;
             n.screenRecording->recovery = RecordingRecovery::Complete;
         },
         true},
        {"trim starting at the frame",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{1'000'000, 2'000'000};
         },
         true},
        {"trim ending at the frame",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{0, 1'000'000};
         },
         false},
        {"trim starting after the frame",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{1'000'001, 2'000'000};
         },
         false},
        {"a redaction added to the recording",
         [](CaptureNote& n) {
             n.screenRecording->redactions.push_back({newId(), {0, 100}, {0, 0, 10, 10}});
         },
         false},
        {"the recording cropped",
         [](CaptureNote& n) {
             n.screenRecording->crop = Rect{0, 0, 640, 360};
         },
         false},
        {"a stale key",
         [](CaptureNote& n) { n.media[2].recordingFrame->visualKey = test::digest('0'); }, false},
        {"no recording", [](CaptureNote& n) { n.screenRecording.reset(); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = baseNote();
        row.change(note);
        EXPECT_EQ(isFrameCurrent(note, note.media[2]), row.current);
        EXPECT_EQ(test::thrownMessage([&] { validateFrame(note, note.media[2]); }),
                  row.current ? "" : kStaleFrame);
    }
}

TEST(IsFrameCurrent, ImagesThatAreNotFramesAlwaysPass) {
    CaptureNote note = baseNote();
    note.screenRecording.reset();
    EXPECT_TRUE(isFrameCurrent(note, note.media[0]));
    EXPECT_NO_THROW(validateFrame(note, note.media[0]));
}

TEST(HasSameImageContent, IgnoresChangesThatDoNotShowOnTheImage) {
    const std::vector<std::pair<const char*, Change>> rows = {
        {"nothing", [](CaptureNote&) {}},
        {"a mark on another image",
         [](CaptureNote& n) { n.marks.push_back(test::makeMark(n.media[1], MarkKind::Arrow)); }},
        {"note texts",
         [](CaptureNote& n) {
             n.general = QStringLiteral("general");
             n.notes[0].body = QStringLiteral("changed");
         }},
        {"role", [](CaptureNote& n) { n.media[0].role = MediaRole::Reference; }},
        {"inclusion", [](CaptureNote& n) { n.media[0].includeInRequest = false; }},
        {"recognition",
         [](CaptureNote& n) {
             n.media[0].recognition = RecognitionCache{test::digest(), QStringLiteral("t")};
         }},
        {"a note appended after the badge",
         [](CaptureNote& n) { n.notes.push_back(test::makeLinkedNote()); }},
        {"revision and title",
         [](CaptureNote& n) {
             n.revision += 1;
             n.title = QStringLiteral("Other");
         }},
    };
    const CaptureNote before = baseNote();
    for (const auto& [name, change] : rows) {
        SCOPED_TRACE(name);
        CaptureNote after = before;
        change(after);
        EXPECT_TRUE(hasSameImageContent(before, after, before.media[0].id));
        EXPECT_TRUE(hasSameImageContent(after, before, before.media[0].id));
    }
}

TEST(HasSameImageContent, NoticesChangesThatShowOnTheImage) {
    const std::vector<std::pair<const char*, Change>> rows = {
        {"a mark on the image moved", [](CaptureNote& n) { n.marks[0].translate(1, 0); }},
        {"a mark added to the image",
         [](CaptureNote& n) { n.marks.push_back(test::makeMark(n.media[0], MarkKind::Arrow)); }},
        {"marks on the image reordered", [](CaptureNote& n) { std::swap(n.marks[0], n.marks[1]); }},
        {"its badge number changed by a note inserted before",
         [](CaptureNote& n) { n.notes.insert(n.notes.begin(), test::makeLinkedNote()); }},
        {"its badge removed", [](CaptureNote& n) { n.notes[0].markID.reset(); }},
        {"the background", [](CaptureNote& n) { n.media[0].background = ImageBackground{}; }},
        {"the crop",
         [](CaptureNote& n) {
             n.media[0].crop = Rect{0, 0, 10, 10};
         }},
        {"the image removed", [](CaptureNote& n) { n.media.erase(n.media.begin()); }},
        {"another note", [](CaptureNote& n) { n.id = newId(); }},
    };
    const CaptureNote before = baseNote();
    for (const auto& [name, change] : rows) {
        SCOPED_TRACE(name);
        CaptureNote after = before;
        change(after);
        EXPECT_FALSE(hasSameImageContent(before, after, before.media[0].id));
        EXPECT_FALSE(hasSameImageContent(after, before, before.media[0].id));
    }
}

TEST(HasSameImageContent, OfAFrameFollowsItsFreshness) {
    const CaptureNote before = baseNote();
    const Id frame = before.media[2].id;
    const struct {
        const char* name;
        Change change;
        bool same;
    } rows[] = {
        {"a trim that keeps the frame",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{0, 3'000'000};
         },
         true},
        {"muting", [](CaptureNote& n) { n.screenRecording->muteSystem = true; }, true},
        {"a trim that leaves the frame out",
         [](CaptureNote& n) {
             n.screenRecording->trim = RecordingRange{2'000'000, 3'000'000};
         },
         false},
        {"a redaction in the recording",
         [](CaptureNote& n) {
             n.screenRecording->redactions.push_back({newId(), {0, 100}, {0, 0, 10, 10}});
         },
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote after = before;
        row.change(after);
        EXPECT_EQ(hasSameImageContent(before, after, frame), row.same);
    }
}

} // namespace
} // namespace lumbex
