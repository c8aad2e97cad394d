#include "model/note_fixtures.h"
#include "request/request_plan.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr char kNothingToSend[] = "Add a note to prepare a request.";
constexpr char kUnlinked[] =
    "An included note is unlinked. Reconnect it, move it to General note, or exclude it.";
constexpr char kOutsideTrim[] =
    "An included time note extends outside the trim. Restore the trim or exclude that note.";
constexpr char kNoFrame[] =
    "Include a current frame from each time note's range before preparing the request.";
constexpr char kNoImage[] = "Choose at least one image for this request.";
constexpr char kNote1OutsideCrop[] =
    "Note 1 extends outside the crop. Restore the crop or exclude the note.";

// One included 800 × 600 image with a rectangle from (100, 100) to (200, 160) and a note on it.
CaptureNote pinnedNote() {
    return test::makeNote(1, 1, 1);
}

// A general text only, on `count` images that are not included.
CaptureNote generalOnly(int count = 1) {
    CaptureNote note = test::makeNote(count);
    for (Media& image : note.media)
        image.includeInRequest = false;
    note.general = QStringLiteral("Look at this.");
    return note;
}

// A 4-second recording selected from 0.5 s to 3.5 s, one included frame taken at `frameTime` and
// a time note over `range`.
CaptureNote timeNote(RecordingRange range = {1'000'000, 2'000'000}, qint64 frameTime = 1'500'000) {
    CaptureNote note = CaptureNote::make();
    ScreenRecording recording = test::makeRecording();
    recording.trim = RecordingRange{500'000, 3'500'000};
    note.media.push_back(test::makeFrame(recording, frameTime));
    test::attachRecording(note, recording);
    note.notes.push_back(test::makeLinkedNote(std::nullopt, QStringLiteral("It flickers.")));
    note.notes[0].timeRange = range;
    return note;
}

Id firstImage(const CaptureNote& note) {
    return note.media.empty() ? Id() : note.media.front().id;
}

RequestPlan build(const CaptureNote& note) {
    return RequestPlan::build(note, firstImage(note));
}

std::string refusal(const CaptureNote& note, const Id& active) {
    return test::thrownMessage([&] { RequestPlan::build(note, active); });
}

std::string refusal(const CaptureNote& note) {
    return refusal(note, firstImage(note));
}

void excludeAs(Media& image, MediaRole role) {
    image.role = role;
    image.includeInRequest = false;
}

LinkedNote unlinked(bool included = true) {
    LinkedNote note = test::makeLinkedNote(std::nullopt, QStringLiteral("Lost"));
    note.included = included;
    return note;
}

// A note whose mark lies outside its image's crop, with `extra` before or after that note.
CaptureNote outsideCropWith(const LinkedNote& extra, bool before) {
    CaptureNote note = pinnedNote();
    note.media[0].crop = Rect{0, 0, 150, 150};
    note.notes.insert(before ? note.notes.begin() : note.notes.end(), extra);
    return note;
}

TEST(RequestPlan, RefusesWithTheMessageOfTheFirstFailingCheck) {
    using Change = std::function<void(CaptureNote&)>;
    const std::tuple<const char*, CaptureNote, Change, std::string> rows[] = {
        {"no text before an unlinked note", pinnedNote(),
         [](CaptureNote& n) { n.notes[0] = test::makeLinkedNote(std::nullopt, " \n"); },
         kNothingToSend},
        {"note without a mark", pinnedNote(), [](CaptureNote& n) { n.notes[0].markID.reset(); },
         kUnlinked},
        {"note on a mark that is gone", pinnedNote(),
         [](CaptureNote& n) { n.notes[0].markID = newId(); }, kUnlinked},
        {"mark on an image that is gone", pinnedNote(),
         [](CaptureNote& n) { n.marks[0].mediaID = newId(); }, kUnlinked},
        {"note on an excluded reference image", pinnedNote(),
         [](CaptureNote& n) { excludeAs(n.media[0], MediaRole::Reference); },
         "A note uses an excluded reference image. Include that image or exclude the note."},
        {"mark outside the crop, numbered after an excluded note",
         outsideCropWith(unlinked(false), true), nullptr,
         "Note 2 extends outside the crop. Restore the crop or exclude the note."},
        {"first note outside the crop, second unlinked", outsideCropWith(unlinked(), false),
         nullptr, kNote1OutsideCrop},
        {"first note unlinked, second outside the crop", outsideCropWith(unlinked(), true), nullptr,
         kUnlinked},
        {"time note without a recording", timeNote(),
         [](CaptureNote& n) { n.screenRecording.reset(); }, kOutsideTrim},
        {"time note starting before the selection", timeNote({499'999, 2'000'000}), nullptr,
         kOutsideTrim},
        {"time note ending after the selection", timeNote({1'000'000, 3'500'001}), nullptr,
         kOutsideTrim},
        {"time note with its only frame at its end", timeNote({1'000'000, 2'000'000}, 2'000'000),
         nullptr, kNoFrame},
        {"time note whose frame is excluded", timeNote(),
         [](CaptureNote& n) { n.media[0].includeInRequest = false; }, kNoFrame},
        {"time note whose frame predates a recording crop", timeNote(),
         [](CaptureNote& n) {
             n.screenRecording->crop = Rect{0, 0, 640, 360};
         },
         kNoFrame},
        {"general note only, active after image excluded", generalOnly(),
         [](CaptureNote& n) { excludeAs(n.media[0], MediaRole::After); },
         "Include this after image in the request, or select a Current image."},
        {"general note only, no image at all", generalOnly(0), nullptr, kNoImage},
        {"included frame outside the trim", test::makeNoteWithFrame(),
         [](CaptureNote& n) {
             n.general = QStringLiteral("Look at this.");
             n.screenRecording->trim = RecordingRange{2'000'000, 4'000'000};
         },
         "This frame predates the recording edits or is outside the trim. Use Image actions to "
         "add an updated frame, then remove or exclude the old frame. Review any unlinked notes "
         "before sharing."},
    };
    for (auto [name, note, change, message] : rows) {
        SCOPED_TRACE(name);
        if (change)
            change(note);
        EXPECT_EQ(refusal(note), message);
    }
}

TEST(RequestPlan, ActiveImageThatIsNotInTheNoteLeavesNothingToSend) {
    EXPECT_EQ(refusal(generalOnly(2), newId()), kNoImage);
}

TEST(RequestPlan, KeepsASnapshotWithOnlyTheIncludedNotesUnchecked) {
    CaptureNote note = test::makeNote(1, 3, 3);
    note.media[0].crop = Rect{0, 0, 300, 300};
    note.marks[1].end = {900, 900};
    note.notes[1].included = false;
    note.notes[2].body = QStringLiteral("  Third  ");
    note.notes.push_back(unlinked(false));
    const RequestPlan plan = build(note);
    EXPECT_EQ(plan.note(), note);
    EXPECT_EQ(plan.notes(), (std::vector<LinkedNote>{note.notes[0], note.notes[2]}));
}

TEST(RequestPlan, CurrentImageJoinsThroughItsNoteAndImagesKeepNoteOrder) {
    CaptureNote note = test::makeNote(3);
    note.media[0].includeInRequest = false;
    note.media[1].includeInRequest = false;
    note.media[2].role = MediaRole::Reference;
    // The first note is on the reference image: the images still follow the note's order.
    note.marks = {test::makeMark(note.media[2]), test::makeMark(note.media[0])};
    note.notes = {test::makeLinkedNote(note.marks[0].id, QStringLiteral("Compare")),
                  test::makeLinkedNote(note.marks[1].id, QStringLiteral("Fix"))};
    const RequestPlan plan = RequestPlan::build(note, note.media[1].id);
    EXPECT_EQ(plan.media(), (std::vector<Media>{note.media[0], note.media[2]}));
}

TEST(RequestPlan, ChecksMarksAgainstTheCropByAreaOrByEndPoints) {
    struct Row {
        const char* name;
        Point start, end;
        bool passes;
    };
    const Row rows[] = {
        {"rectangle filling the crop exactly", {100, 100}, {300, 200}, true},
        {"rectangle crossing the right edge", {120, 120}, {301, 180}, false},
        {"zero-height line with both ends inside", {110, 150}, {290, 150}, true},
        {"zero-height line with its end outside", {110, 150}, {310, 150}, false},
        {"zero-width line with its end below", {150, 110}, {150, 250}, false},
        {"half-pixel-high line inside", {110, 150}, {290, 150.5}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureNote note = pinnedNote();
        note.media[0].crop = Rect{100, 100, 200, 100};
        note.marks[0].kind = MarkKind::Line;
        note.marks[0].start = row.start;
        note.marks[0].end = row.end;
        EXPECT_EQ(refusal(note), row.passes ? "" : kNote1OutsideCrop);
    }
    // Without a crop, nothing is outside it.
    CaptureNote uncropped = pinnedNote();
    uncropped.marks[0].start = {-5000, -5000};
    uncropped.marks[0].end = {9000, 9000};
    EXPECT_EQ(refusal(uncropped), "");
}

TEST(RequestPlan, FreehandMarkIsCheckedByTheBoundsOfItsPoints) {
    CaptureNote note = pinnedNote();
    note.media[0].crop = Rect{100, 100, 200, 100};
    Mark& stroke = note.marks[0];
    stroke.kind = MarkKind::Freehand;
    stroke.start = {120, 120};
    stroke.end = {180, 180};
    stroke.points = std::vector<Point>{{120, 120}, {150, 130}, {180, 180}};
    EXPECT_EQ(refusal(note), "");
    stroke.points->push_back({150, 240});
    EXPECT_EQ(refusal(note), kNote1OutsideCrop);
}

TEST(RequestPlan, TimeNoteTakesCurrentFramesFromItsStartToJustBeforeItsEnd) {
    const CaptureNote whole = timeNote({500'000, 3'500'000}, 500'000);
    const RequestPlan plan = build(whole);
    EXPECT_EQ(plan.media(), std::vector<Media>{whole.media[0]});
    EXPECT_EQ(plan.notes(), whole.notes);

    CaptureNote note = timeNote({1'000'000, 2'000'000}, 2'000'000);
    note.media.push_back(test::makeFrame(*note.screenRecording, 1'999'999));
    EXPECT_EQ(build(note).media(), (std::vector<Media>{note.media[0], note.media[1]}));
}

TEST(RequestPlan, GeneralNoteAloneSendsTheActiveImageUnlessANoteChoseAnImage) {
    CaptureNote note = generalOnly(3);
    const RequestPlan plan = RequestPlan::build(note, note.media[1].id);
    EXPECT_EQ(plan.media(), std::vector<Media>{note.media[1]});
    EXPECT_TRUE(plan.notes().empty());
    EXPECT_EQ(plan.noteCount(), 1);

    note.marks.push_back(test::makeMark(note.media[0]));
    note.notes.push_back(test::makeLinkedNote(note.marks[0].id, QStringLiteral("Fix")));
    EXPECT_EQ(RequestPlan::build(note, note.media[1].id).media(),
              std::vector<Media>{note.media[0]});
}

TEST(RequestPlan, LabelsImagesByTheirPositionInTheRequest) {
    CaptureNote note = test::makeNote(28);
    note.media[1].includeInRequest = false;
    note.general = QStringLiteral("Many.");
    const RequestPlan plan = build(note);
    EXPECT_EQ(plan.label(note.media[0].id), "A");
    EXPECT_EQ(plan.label(note.media[2].id), "B");
    EXPECT_EQ(plan.label(note.media[26].id), "Z");
    EXPECT_EQ(plan.label(note.media[27].id), "Image-27");
    EXPECT_EQ(plan.filename(note.media[27]), "Image-27-annotated.png");
    // An image outside the request falls back to the first label.
    EXPECT_EQ(plan.label(note.media[1].id), "A");
    EXPECT_EQ(plan.label(newId()), "A");
}

TEST(RequestPlan, CountsLinkedNotesAndASentGeneralNote) {
    // General text, whether it is included, notes counted.
    const std::tuple<QString, bool, int> rows[] = {
        {"Also this.", true, 3}, {" \n ", true, 2}, {"Also this.", false, 2}};
    for (const auto& [general, includeGeneral, count] : rows) {
        CaptureNote note = test::makeNote(1, 3, 3);
        note.notes[1].included = false;
        note.general = general;
        note.includeGeneral = includeGeneral;
        const RequestPlan plan = build(note);
        EXPECT_EQ(plan.noteCount(), count) << general.toStdString() << includeGeneral;
        EXPECT_EQ(plan.sendsGeneral(), count == 3);
    }
}

} // namespace
} // namespace lumbex
