#include "model/note_fixtures.h"
#include "model/recording_keys.h"
#include "request/request_plan.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::thrownMessage;

constexpr char kNothingToSend[] = "Add a note to prepare a request.";
constexpr char kUnlinked[] =
    "An included note is unlinked. Reconnect it, move it to General note, or exclude it.";
constexpr char kOutsideTrim[] =
    "An included time note extends outside the trim. Restore the trim or exclude that note.";
constexpr char kNoFrame[] =
    "Include a current frame from each time note's range before preparing the request.";
constexpr char kNoImage[] = "Choose at least one image for this request.";
constexpr char kStaleFrame[] =
    "This frame predates the recording edits or is outside the trim. Use Image actions to add an "
    "updated frame, then remove or exclude the old frame. Review any unlinked notes before "
    "sharing.";

// One included 800 × 600 image with a rectangle from (100, 100) to (200, 160) and a location
// note on it.
CaptureNote pinnedNote() {
    return test::makeNote(1, 1, 1);
}

// A note with a general text only, on `count` images that are not included.
CaptureNote generalOnly(int count) {
    CaptureNote note = test::makeNote(count);
    for (Media& image : note.media)
        image.includeInRequest = false;
    note.general = QStringLiteral("Look at this.");
    return note;
}

// A 4-second recording selected from 0.5 s to 3.5 s, one included frame taken at `frameTime`
// and a time note over `range`.
CaptureNote timeNote(RecordingRange range, qint64 frameTime) {
    CaptureNote note = CaptureNote::make();
    ScreenRecording recording = test::makeRecording();
    recording.trim = RecordingRange{500'000, 3'500'000};
    note.media.push_back(test::makeFrame(recording, frameTime));
    test::attachRecording(note, recording);
    LinkedNote linked = test::makeLinkedNote(std::nullopt, QStringLiteral("It flickers here."));
    linked.timeRange = range;
    note.notes.push_back(linked);
    return note;
}

Id firstImage(const CaptureNote& note) {
    return note.media.empty() ? Id() : note.media.front().id;
}

std::string refusal(const CaptureNote& note, const Id& active) {
    return thrownMessage([&] { RequestPlan::build(note, active); });
}

std::vector<Id> idsOf(const std::vector<Media>& media) {
    std::vector<Id> ids;
    for (const Media& image : media)
        ids.push_back(image.id);
    return ids;
}

struct RefusalRow {
    const char* name;
    std::function<CaptureNote()> make;
    std::string message;
};

TEST(RequestPlan, RefusesWithTheMessageOfTheFirstFailingCheck) {
    const std::vector<RefusalRow> rows = {
        {"only white space everywhere, image included",
         [] {
             CaptureNote note = pinnedNote();
             note.notes[0].body = QStringLiteral(" \n\t \r\n");
             note.general = QStringLiteral("   \n");
             return note;
         },
         kNothingToSend},
        {"general not included, linked note excluded",
         [] {
             CaptureNote note = pinnedNote();
             note.general = QStringLiteral("Text");
             note.includeGeneral = false;
             note.notes[0].included = false;
             return note;
         },
         kNothingToSend},
        {"no text before an unlinked note",
         [] {
             CaptureNote note = pinnedNote();
             note.notes[0].markID.reset();
             note.notes[0].body = QStringLiteral("\n");
             return note;
         },
         kNothingToSend},
        {"note without a mark",
         [] {
             CaptureNote note = pinnedNote();
             note.notes[0].markID.reset();
             return note;
         },
         kUnlinked},
        {"note on a mark that is gone",
         [] {
             CaptureNote note = pinnedNote();
             note.notes[0].markID = newId();
             return note;
         },
         kUnlinked},
        {"mark on an image that is gone",
         [] {
             CaptureNote note = pinnedNote();
             note.marks[0].mediaID = newId();
             return note;
         },
         kUnlinked},
        {"note on an excluded reference image",
         [] {
             CaptureNote note = pinnedNote();
             note.media[0].role = MediaRole::Reference;
             note.media[0].includeInRequest = false;
             return note;
         },
         "A note uses an excluded reference image. Include that image or exclude the note."},
        {"note on an excluded after image",
         [] {
             CaptureNote note = pinnedNote();
             note.media[0].role = MediaRole::After;
             note.media[0].includeInRequest = false;
             return note;
         },
         "A note uses an excluded after image. Include that image or exclude the note."},
        {"mark outside the crop, numbered after an excluded note",
         [] {
             CaptureNote note = pinnedNote();
             note.media[0].crop = Rect{0, 0, 150, 150};
             LinkedNote excluded = test::makeLinkedNote(std::nullopt, QStringLiteral("Old"));
             excluded.included = false;
             note.notes.insert(note.notes.begin(), excluded);
             return note;
         },
         "Note 2 extends outside the crop. Restore the crop or exclude the note."},
        {"first note outside the crop, second unlinked",
         [] {
             CaptureNote note = pinnedNote();
             note.media[0].crop = Rect{0, 0, 150, 150};
             note.notes.push_back(test::makeLinkedNote(std::nullopt, QStringLiteral("Lost")));
             return note;
         },
         "Note 1 extends outside the crop. Restore the crop or exclude the note."},
        {"first note unlinked, second outside the crop",
         [] {
             CaptureNote note = pinnedNote();
             note.media[0].crop = Rect{0, 0, 150, 150};
             note.notes.insert(note.notes.begin(),
                               test::makeLinkedNote(std::nullopt, QStringLiteral("Lost")));
             return note;
         },
         kUnlinked},
        {"time note without a recording",
         [] {
             CaptureNote note = timeNote({1'000'000, 2'000'000}, 1'000'000);
             note.screenRecording.reset();
             return note;
         },
         kOutsideTrim},
        {"time note starting before the selection",
         [] {
             return timeNote({499'999, 2'000'000}, 1'000'000);
         },
         kOutsideTrim},
        {"time note ending after the selection",
         [] {
             return timeNote({1'000'000, 3'500'001}, 1'000'000);
         },
         kOutsideTrim},
        {"time note with its only frame after its range",
         [] {
             return timeNote({1'000'000, 2'000'000}, 2'500'000);
         },
         kNoFrame},
        {"time note with its only frame exactly at the range end",
         [] {
             return timeNote({1'000'000, 2'000'000}, 2'000'000);
         },
         kNoFrame},
        {"time note whose frame is excluded",
         [] {
             CaptureNote note = timeNote({1'000'000, 2'000'000}, 1'500'000);
             note.media[0].includeInRequest = false;
             return note;
         },
         kNoFrame},
        {"time note whose frame predates a recording crop",
         [] {
             CaptureNote note = timeNote({1'000'000, 2'000'000}, 1'500'000);
             note.screenRecording->crop = Rect{0, 0, 640, 360};
             return note;
         },
         kNoFrame},
        {"general note only, active reference image excluded",
         [] {
             CaptureNote note = generalOnly(1);
             note.media[0].role = MediaRole::Reference;
             return note;
         },
         "Include this reference image in the request, or select a Current image."},
        {"general note only, active after image excluded",
         [] {
             CaptureNote note = generalOnly(1);
             note.media[0].role = MediaRole::After;
             return note;
         },
         "Include this after image in the request, or select a Current image."},
        {"general note only, no image at all", [] { return generalOnly(0); }, kNoImage},
        {"general note only, linked note excluded, nothing included",
         [] {
             CaptureNote note = test::makeNote(0);
             note.general = QStringLiteral("Look at this.");
             LinkedNote excluded = test::makeLinkedNote(std::nullopt, QStringLiteral("Old"));
             excluded.included = false;
             note.notes.push_back(excluded);
             return note;
         },
         kNoImage},
        {"included frame outside the trim",
         [] {
             CaptureNote note = test::makeNoteWithFrame();
             note.general = QStringLiteral("Look at this.");
             note.screenRecording->trim = RecordingRange{2'000'000, 4'000'000};
             return note;
         },
         kStaleFrame},
        {"included frame older than a redaction",
         [] {
             CaptureNote note = test::makeNoteWithFrame();
             note.general = QStringLiteral("Look at this.");
             note.screenRecording->redactions.push_back(
                 {newId(), {0, 1'000'000}, Rect{0, 0, 100, 100}});
             return note;
         },
         kStaleFrame},
        {"included frame of a recording that was removed",
         [] {
             CaptureNote note = test::makeNoteWithFrame();
             note.general = QStringLiteral("Look at this.");
             note.screenRecording.reset();
             return note;
         },
         kStaleFrame},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        const CaptureNote note = row.make();
        EXPECT_EQ(refusal(note, firstImage(note)), row.message);
    }
}

TEST(RequestPlan, ActiveImageThatIsNotInTheNoteLeavesNothingToSend) {
    EXPECT_EQ(refusal(generalOnly(2), newId()), kNoImage);
}

TEST(RequestPlan, KeepsASnapshotWithIncludedNotesInNoteOrder) {
    CaptureNote note = test::makeNote(1, 3, 3);
    note.notes[1].included = false;
    note.notes[2].body = QStringLiteral("  Third  ");
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    EXPECT_EQ(plan.note(), note);
    ASSERT_EQ(plan.notes().size(), 2u);
    EXPECT_EQ(plan.notes()[0], note.notes[0]);
    EXPECT_EQ(plan.notes()[1], note.notes[2]);
}

TEST(RequestPlan, IgnoresExcludedNotesEvenWhenUnlinkedOrOutsideTheCrop) {
    CaptureNote note = test::makeNote(1, 2, 2);
    note.media[0].crop = Rect{0, 0, 205, 165};
    note.marks[1].end = {900, 900};
    note.notes[1].included = false;
    LinkedNote unlinked = test::makeLinkedNote(std::nullopt, QStringLiteral("Lost"));
    unlinked.included = false;
    note.notes.push_back(unlinked);
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    ASSERT_EQ(plan.notes().size(), 1u);
    EXPECT_EQ(plan.notes()[0].id, note.notes[0].id);
}

TEST(RequestPlan, CurrentImageJoinsThroughItsNoteAndImagesKeepNoteOrder) {
    CaptureNote note = test::makeNote(3);
    note.media[0].includeInRequest = false;
    note.media[1].includeInRequest = false;
    note.media[2].role = MediaRole::Reference;
    note.media[2].includeInRequest = true;
    // The first note is on the reference image: the images still follow the note's order.
    note.marks = {test::makeMark(note.media[2]), test::makeMark(note.media[0])};
    note.notes = {test::makeLinkedNote(note.marks[0].id, QStringLiteral("Compare")),
                  test::makeLinkedNote(note.marks[1].id, QStringLiteral("Fix"))};
    const RequestPlan plan = RequestPlan::build(note, note.media[1].id);
    EXPECT_EQ(idsOf(plan.media()), (std::vector<Id>{note.media[0].id, note.media[2].id}));
}

TEST(RequestPlan, MarkOnAnUncroppedImageIsNeverOutsideTheCrop) {
    CaptureNote note = pinnedNote();
    note.marks[0].start = {-5000, -5000};
    note.marks[0].end = {9000, 9000};
    EXPECT_EQ(refusal(note, firstImage(note)), "");
}

struct CropRow {
    const char* name;
    Point start;
    Point end;
    bool passes;
};

TEST(RequestPlan, ChecksMarksAgainstTheCropByAreaOrByEndPoints) {
    const Rect crop{100, 100, 200, 100};
    const std::vector<CropRow> rows = {
        {"rectangle inside", {120, 120}, {280, 180}, true},
        {"rectangle filling the crop exactly", {100, 100}, {300, 200}, true},
        {"rectangle crossing the right edge", {120, 120}, {301, 180}, false},
        {"rectangle above the crop", {120, 50}, {280, 99}, false},
        {"zero-height line with both ends inside", {110, 150}, {290, 150}, true},
        {"zero-height line with its end outside", {110, 150}, {310, 150}, false},
        {"zero-height line with its start outside", {90, 150}, {290, 150}, false},
        {"zero-width line with both ends inside", {150, 110}, {150, 190}, true},
        {"zero-width line with its end below", {150, 110}, {150, 250}, false},
        {"half-pixel-high line inside", {110, 150}, {290, 150.5}, true},
    };
    for (const CropRow& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = pinnedNote();
        note.media[0].crop = crop;
        note.marks[0].kind = MarkKind::Line;
        note.marks[0].start = row.start;
        note.marks[0].end = row.end;
        const std::string expected =
            row.passes ? ""
                       : "Note 1 extends outside the crop. Restore the crop or exclude the note.";
        EXPECT_EQ(refusal(note, firstImage(note)), expected);
    }
}

TEST(RequestPlan, FreehandMarkIsCheckedByTheBoundsOfItsPoints) {
    CaptureNote note = pinnedNote();
    note.media[0].crop = Rect{100, 100, 200, 100};
    Mark& stroke = note.marks[0];
    stroke.kind = MarkKind::Freehand;
    stroke.start = {120, 120};
    stroke.end = {180, 180};
    stroke.points = std::vector<Point>{{120, 120}, {150, 130}, {180, 180}};
    EXPECT_EQ(refusal(note, firstImage(note)), "");
    stroke.points->push_back({150, 240});
    EXPECT_EQ(refusal(note, firstImage(note)),
              "Note 1 extends outside the crop. Restore the crop or exclude the note.");
}

TEST(RequestPlan, TimeNoteCoveringTheWholeSelectionTakesFramesFromItsStart) {
    const CaptureNote note = timeNote({500'000, 3'500'000}, 500'000);
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    EXPECT_EQ(idsOf(plan.media()), std::vector<Id>{note.media[0].id});
    EXPECT_EQ(plan.notes(), note.notes);
}

TEST(RequestPlan, TimeNoteAcceptsAnyCurrentFrameInItsRange) {
    CaptureNote note = timeNote({1'000'000, 2'000'000}, 2'000'000);
    note.media.push_back(test::makeFrame(*note.screenRecording, 1'999'999));
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    EXPECT_EQ(idsOf(plan.media()), (std::vector<Id>{note.media[0].id, note.media[1].id}));
}

TEST(RequestPlan, GeneralNoteAloneSendsTheActiveImage) {
    const CaptureNote note = generalOnly(3);
    const RequestPlan plan = RequestPlan::build(note, note.media[1].id);
    EXPECT_EQ(idsOf(plan.media()), std::vector<Id>{note.media[1].id});
    EXPECT_TRUE(plan.notes().empty());
}

TEST(RequestPlan, ActiveImageIsNotAddedWhenANoteChoseAnImage) {
    CaptureNote note = generalOnly(2);
    note.marks.push_back(test::makeMark(note.media[0]));
    note.notes.push_back(test::makeLinkedNote(note.marks[0].id, QStringLiteral("Fix")));
    const RequestPlan plan = RequestPlan::build(note, note.media[1].id);
    EXPECT_EQ(idsOf(plan.media()), std::vector<Id>{note.media[0].id});
}

TEST(RequestPlan, LabelsImagesByTheirPositionInTheRequest) {
    CaptureNote note = test::makeNote(3);
    note.media[1].includeInRequest = false;
    note.general = QStringLiteral("Compare.");
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    EXPECT_EQ(plan.label(note.media[0].id), "A");
    EXPECT_EQ(plan.label(note.media[2].id), "B");
    EXPECT_EQ(plan.filename(note.media[2]), "B-annotated.png");
    // An image outside the request falls back to the first label.
    EXPECT_EQ(plan.label(note.media[1].id), "A");
    EXPECT_EQ(plan.label(newId()), "A");
}

TEST(RequestPlan, LabelsPastTheAlphabetCountFromOne) {
    CaptureNote note = test::makeNote(28);
    note.general = QStringLiteral("Many.");
    const RequestPlan plan = RequestPlan::build(note, firstImage(note));
    EXPECT_EQ(plan.label(note.media[24].id), "Y");
    EXPECT_EQ(plan.label(note.media[25].id), "Z");
    EXPECT_EQ(plan.label(note.media[26].id), "Image-27");
    EXPECT_EQ(plan.label(note.media[27].id), "Image-28");
    EXPECT_EQ(plan.filename(note.media[26]), "Image-27-annotated.png");
}

struct CountRow {
    const char* name;
    QString general;
    bool includeGeneral;
    int count;
};

TEST(RequestPlan, CountsLinkedNotesAndASentGeneralNote) {
    const std::vector<CountRow> rows = {
        {"general sent", QStringLiteral("Also this."), true, 3},
        {"general only white space", QStringLiteral(" \n "), true, 2},
        {"general not included", QStringLiteral("Also this."), false, 2},
    };
    for (const CountRow& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = test::makeNote(1, 3, 3);
        note.notes[1].included = false;
        note.general = row.general;
        note.includeGeneral = row.includeGeneral;
        const RequestPlan plan = RequestPlan::build(note, firstImage(note));
        EXPECT_EQ(plan.noteCount(), row.count);
        EXPECT_EQ(plan.sendsGeneral(), row.count == 3);
    }
}

TEST(RequestPlan, GeneralNoteAloneCountsAsOneNote) {
    const CaptureNote note = generalOnly(1);
    EXPECT_EQ(RequestPlan::build(note, firstImage(note)).noteCount(), 1);
}

} // namespace
} // namespace lumbex
