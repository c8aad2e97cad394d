#include "model/note_coding.h"
#include "model/note_fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace lumbex {
namespace {

using test::digest;
using test::thrownMessage;

// A note that uses no optional field anywhere: an image, a mark and an unlinked note.
CaptureNote plainNote() {
    CaptureNote note = test::makeNote(1, 1);
    note.notes.push_back(test::makeLinkedNote());
    note.createdAt = 760'000'000.125;
    note.revision = 7;
    return note;
}

// A note that sets every optional field of every record at least once.
CaptureNote fullNote() {
    CaptureNote note = test::makeNote(3, 0);
    note.schemaVersion = 8;
    note.title = QStringLiteral("Login “fails”\n\tafter ünicode \\ / reset");
    note.createdAt = 759'999'999.123456;
    note.modifiedAt = -12.75;
    note.revision = 9'007'199'254'740'993;
    note.general = QStringLiteral("General ✓");
    note.includeGeneral = false;
    note.reviewOnly = true;

    Media& stitched = note.media[0];
    stitched.role = MediaRole::Reference;
    stitched.includeInRequest = false;
    stitched.crop = Rect{0.5, 1.25, 640.75, 480};
    stitched.background =
        ImageBackground{BackgroundStyle::Gradient, "#010203", "#ABCDEF", 12.5, 3.25, false};
    stitched.recognition = RecognitionCache{digest('d'), QStringLiteral("Read text")};
    stitched.scrollCapture = ScrollCaptureInfo{
        true, "Stopped.", {{note.media[1].id, 0, 0}, {note.media[2].id, std::nullopt, 12}}, true};

    ScreenRecording recording = test::makeRecording(2);
    recording.title = QStringLiteral("Checkout");
    recording.createdAt = 760'000'000.000001;
    RecordingSegment& segment = recording.segments[0];
    segment.sourceStart = 33'333;
    segment.hostStart = -9'007'199'254'740'993;
    segment.hostEnd = 9'007'199'254'740'995;
    segment.byteCount = (qint64(1) << 62) + 1;
    segment.audioTracks = {{RecordingAudio::System, 2},
                           {RecordingAudio::Microphone, 2'147'483'647}};
    segment.droppedVideo = 3;
    segment.droppedAudio = 4;
    recording.segments[1].audioTracks = {{RecordingAudio::Microphone, -2'147'483'647 - 1}};
    recording.trim = RecordingRange{1'000, 3'999'000};
    recording.crop = Rect{2, 4, 640, 360};
    recording.muteSystem = recording.muteMicrophone = true;
    recording.redactions = {{newId(), {0, 500'000}, {10, 20, 30.5, 40}}};
    recording.recovery = RecordingRecovery::Partial;
    note.media[1].recordingFrame = RecordingFrame{1'500'000, visualKey(recording)};
    note.screenRecording = recording;

    Mark freehand = test::makeMark(note.media[1], MarkKind::Freehand);
    freehand.points = std::vector<Point>{{1, 2}, {3.5, -4.25}, {1e-9, 1e9}};
    freehand.text = QStringLiteral("unused");
    freehand.color = QStringLiteral("#FF8800");
    freehand.lineWidth = 2.5;
    Mark highlight = test::makeMark(note.media[1], MarkKind::Highlight);
    highlight.opacity = 0.35;
    Mark lens = test::makeMark(note.media[1], MarkKind::Magnify);
    lens.magnification = 2.5;
    lens.magnificationCenter = Point{150.5, 130.25};
    note.marks = {freehand, highlight, lens};

    LinkedNote linked = test::makeLinkedNote(lens.id, QStringLiteral("Look here"));
    linked.included = false;
    LinkedNote timed = test::makeLinkedNote();
    timed.timeRange = RecordingRange{100, 2'000'000};
    note.notes = {linked, timed};

    note.recordings = std::vector<VoiceRecording>{
        {newId(), linked.id, 760'000'001.5, "en-US", 3.75, "look here", digest('e'), "Stopped."},
        {newId(), std::nullopt, 760'000'002, "ko-KR", 0, {}, {}, {}}};
    return note;
}

QJsonObject parse(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

// `node` with the value at `path` (keys and array indexes) replaced; undefined removes the key.
QJsonValue replaced(const QJsonValue& node, QStringList path, const QJsonValue& value) {
    if (path.isEmpty())
        return value;
    const QString head = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        array[head.toInt()] = replaced(array.at(head.toInt()), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && value.isUndefined())
        object.remove(head);
    else
        object[head] = replaced(object.value(head), path, value);
    return object;
}

// Decodes `note` with the value at `path` ("media.0.width") replaced.
CaptureNote decodeWith(const CaptureNote& note, const QString& path, const QJsonValue& value) {
    const QJsonValue edited = replaced(parse(encodeNoteJson(note)), path.split(u'.'), value);
    return decodeNoteJson(QJsonDocument(edited.toObject()).toJson());
}

std::set<QString> keysOf(const QJsonValue& object) {
    const QStringList keys = object.toObject().keys();
    return {keys.begin(), keys.end()};
}

// JsonWriter refuses keys out of order, so every successful encode is sorted.
TEST(NoteCoding, RoundTripsToTheSamePrettyJson) {
    for (const CaptureNote& note : {plainNote(), fullNote()}) {
        const QByteArray json = encodeNoteJson(note);
        const CaptureNote decoded = decodeNoteJson(json);
        EXPECT_EQ(decoded, note);
        EXPECT_EQ(encodeNoteJson(decoded), json);
        EXPECT_GT(json.count('\n'), 20);
    }
}

TEST(NoteCoding, LeavesAbsentOptionalKeysOut) {
    const QByteArray json = encodeNoteJson(plainNote());
    EXPECT_FALSE(json.contains("null"));
    const QJsonObject root = parse(json);
    EXPECT_EQ(
        keysOf(root),
        (std::set<QString>{"schemaVersion", "id", "title", "createdAt", "modifiedAt", "revision",
                           "media", "marks", "general", "includeGeneral", "notes", "reviewOnly"}));
    EXPECT_EQ(keysOf(root["notes"][0]), (std::set<QString>{"id", "body", "included"}));
}

TEST(NoteCoding, StoresValuesInTheirDocumentedShapes) {
    const QJsonObject root = parse(encodeNoteJson(fullNote()));
    EXPECT_EQ(root["media"][0]["crop"].toArray(),
              (QJsonArray{QJsonArray{0.5, 1.25}, QJsonArray{640.75, 480}}));
    EXPECT_EQ(root["marks"][2]["kind"].toString(), "magnify");
    EXPECT_EQ(root["marks"][2]["magnificationCenter"].toArray(), (QJsonArray{150.5, 130.25}));
    EXPECT_EQ(root["notes"][1]["timeRange"].toObject(),
              (QJsonObject{{"start", 100}, {"end", 2'000'000}}));
    // The audio track map is a flat list of kind and track number pairs, in any order.
    const QJsonArray tracks = root["screenRecording"]["segments"][0]["audioTracks"].toArray();
    ASSERT_EQ(tracks.size(), 4);
    const std::set<std::pair<QString, qint64>> pairs{{tracks[0].toString(), tracks[1].toInteger()},
                                                     {tracks[2].toString(), tracks[3].toInteger()}};
    EXPECT_EQ(pairs, (decltype(pairs){{"system", 2}, {"microphone", 2'147'483'647}}));
}

TEST(NoteCoding, WritesUuidsUpperCaseAndReadsThemInEitherCase) {
    const CaptureNote note = fullNote();
    const QString lower = idString(note.id).toLower();
    EXPECT_TRUE(encodeNoteJson(note).contains(idString(note.id).toUtf8()));
    EXPECT_FALSE(encodeNoteJson(note).contains(lower.toUtf8()));
    EXPECT_EQ(decodeWith(note, "id", lower).id, note.id);
}

TEST(NoteCoding, ReadsNullAsAbsentForOptionalKeysOnly) {
    const CaptureNote note = fullNote();
    for (const QJsonValue& absent :
         {QJsonValue(QJsonValue::Null), QJsonValue(QJsonValue::Undefined)}) {
        EXPECT_FALSE(decodeWith(note, "screenRecording", absent).screenRecording);
        EXPECT_EQ(thrownMessage([&] { decodeWith(note, "media.0.background.shadow", absent); }),
                  "media[0].background.shadow: required value is missing");
    }
}

TEST(NoteCoding, DecodingFailuresNameThePathAndTheExpectation) {
    const CaptureNote note = fullNote();
    const struct {
        const char* path;
        QJsonValue value;
        const char* message;
    } cases[] = {
        {"media.0.width", "800", "media[0].width: expected an integer"},
        {"notes.0.markID", "{" + idString(note.id) + "}",
         "notes[0].markID: expected a UUID string"},
        {"marks.0.start", QJsonArray{1, 2, 3}, "marks[0].start: expected a point [x, y]"},
        {"marks.0.kind", "circle", "marks[0].kind: unexpected value \"circle\""},
        {"screenRecording.segments.0.audioTracks", QJsonArray{"system", 1, "microphone"},
         "screenRecording.segments[0].audioTracks: expected pairs of track kind and track number"},
        {"screenRecording.segments.0.audioTracks", QJsonArray{"system", 2'147'483'648.0},
         "screenRecording.segments[0].audioTracks[1]: expected a 32-bit integer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(thrownMessage([&] { decodeWith(note, c.path, c.value); }), c.message);
    }
}

TEST(NoteCoding, RefusesTextThatIsNotOneJsonObject) {
    EXPECT_TRUE(
        thrownMessage([] { decodeNoteJson("{} {}"); }).starts_with("The data is not valid JSON"));
    EXPECT_EQ(thrownMessage([] { decodeNoteJson("[1, 2]"); }), "The data is not a JSON object.");
    // Deep nesting fails cleanly instead of exhausting the stack.
    const QByteArray nested = "{\"media\": " + QByteArray(5000, '[') + QByteArray(5000, ']') + "}";
    EXPECT_FALSE(thrownMessage([&] { decodeNoteJson(nested); }).empty());
}

TEST(NoteCoding, ReadsSixtyFourBitIntegersExactly) {
    // Written by hand, as another writer might: the values are read exactly, not through a double.
    const QByteArray json = encodeNoteJson(fullNote());
    const QByteArray edited = QByteArray(json).replace("9007199254740993", "9223372036854775807");
    const CaptureNote decoded = decodeNoteJson(edited);
    EXPECT_EQ(decoded.revision, 9'223'372'036'854'775'807);
    EXPECT_EQ(decoded.screenRecording->segments[0].hostStart, -9'223'372'036'854'775'807);
    EXPECT_EQ(decoded.screenRecording->segments[0].hostEnd, 9'007'199'254'740'995);
    const QByteArray tooLarge = QByteArray(json).replace("9007199254740993", "9223372036854775808");
    EXPECT_EQ(thrownMessage([&] { decodeNoteJson(tooLarge); }), "revision: expected an integer");
}

TEST(AnnotationClipboardCoding, RoundTripsWithAndWithoutItsNote) {
    const CaptureNote note = fullNote();
    const AnnotationClipboard bare{note.marks[0], std::nullopt};
    const AnnotationClipboard withNote{note.marks[2], note.notes[0]};
    for (const AnnotationClipboard& clipboard : {bare, withNote})
        EXPECT_EQ(decodeAnnotationClipboard(encodeAnnotationClipboard(clipboard)), clipboard);
    EXPECT_EQ(keysOf(parse(encodeAnnotationClipboard(bare))), (std::set<QString>{"mark"}));
    EXPECT_EQ(keysOf(parse(encodeAnnotationClipboard(withNote))),
              (std::set<QString>{"mark", "linkedNote"}));
}

} // namespace
} // namespace lumbex
