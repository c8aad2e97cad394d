#include "fuzz/seed_notes.h"

#include "model/schema_level.h"

namespace lumbex::fuzz {
namespace {

Id fixedId(uint n) {
    return QUuid(n, 0x5eed, 0x4000, 0x80, 0, 0, 0, 0, 0, 0, 0x01);
}

constexpr Date kCreated = 790000000.5;

CaptureNote emptyNote() {
    CaptureNote note;
    note.id = fixedId(1);
    note.createdAt = kCreated;
    note.modifiedAt = kCreated;
    return note;
}

Media image(uint id, qint64 width, qint64 height, MediaRole role) {
    Media media;
    media.id = fixedId(id);
    media.name = QStringLiteral("Image %1").arg(id);
    media.width = width;
    media.height = height;
    media.sha256 = QString(64, u'c');
    media.role = role;
    return media;
}

Mark mark(uint id, const Id& mediaID, MarkKind kind, Point start, Point end) {
    Mark m;
    m.id = fixedId(id);
    m.mediaID = mediaID;
    m.kind = kind;
    m.start = start;
    m.end = end;
    return m;
}

CaptureNote smallNote() {
    CaptureNote note = emptyNote();
    note.id = fixedId(2);
    note.title = QStringLiteral("Login button overlaps the footer");
    note.general = QStringLiteral("Happens after resizing the window.");
    note.media.push_back(image(10, 800, 600, MediaRole::Current));
    note.marks.push_back(mark(20, note.media[0].id, MarkKind::Pointer, {120, 80}, {120, 80}));
    // On an uncropped image, so validation measures its text.
    note.marks.push_back(mark(21, note.media[0].id, MarkKind::Text, {300, 200}, {420, 240}));
    note.marks[1].text = QStringLiteral("Overlaps by 12 px");
    note.notes.push_back(
        {fixedId(30), note.marks[0].id, QStringLiteral("Here"), true, std::nullopt});
    return note;
}

// One image carrying every optional image field, a stitched image with its two source frames,
// and a frame taken from the recording.
std::vector<Media> fullImages() {
    Media current = image(100, 1280, 800, MediaRole::Current);
    current.includeInRequest = true;
    current.crop = Rect{10, 10, 1200, 700};
    current.background = ImageBackground{BackgroundStyle::Gradient,
                                         QStringLiteral("#112233"),
                                         QStringLiteral("#AABBCC"),
                                         48,
                                         12,
                                         true};
    current.recognition = RecognitionCache{QString(64, u'd'), QStringLiteral("Sign in")};

    Media frame = image(101, 1280, 800, MediaRole::Reference);
    frame.recordingFrame = RecordingFrame{500'000, QString(64, u'e')};

    Media top = image(102, 1000, 1200, MediaRole::After);
    Media bottom = image(103, 1000, 1200, MediaRole::After);
    Media stitched = image(104, 1000, 3000, MediaRole::After);
    stitched.scrollCapture =
        ScrollCaptureInfo{false, std::nullopt, {{top.id, 0, 0}, {bottom.id, 1800, 40}}, true};
    return {current, frame, top, bottom, stitched};
}

std::vector<Mark> everyKindOfMark(const Id& mediaID) {
    std::vector<Mark> marks;
    uint id = 200;
    for (MarkKind kind : {MarkKind::Pointer, MarkKind::Arrow, MarkKind::Line, MarkKind::Rectangle,
                          MarkKind::Ellipse, MarkKind::Freehand, MarkKind::Highlight,
                          MarkKind::Text, MarkKind::Redact, MarkKind::Magnify}) {
        const double offset = 40.0 * (id - 200);
        marks.push_back(mark(id++, mediaID, kind, {100 + offset, 100}, {180 + offset, 160}));
    }
    marks[1].color = QStringLiteral("#FF2200");
    marks[1].lineWidth = 6;
    marks[5].points = std::vector<Point>{{300, 100}, {310, 120.25}, {330, 110}, {360, 150}};
    marks[6].opacity = 0.35;
    marks[7].text = QStringLiteral("Label “Sign in” is clipped…");
    marks[7].color = QStringLiteral("black");
    marks[9].magnification = 3;
    marks[9].magnificationCenter = Point{640, 400};
    return marks;
}

ScreenRecording recording() {
    ScreenRecording r;
    r.id = fixedId(400);
    r.title = QStringLiteral("Sign-in flow");
    r.createdAt = kCreated;
    for (uint i = 0; i < 2; ++i) {
        RecordingSegment s;
        s.id = fixedId(401 + i);
        s.width = 1280;
        s.height = 800;
        s.sourceStart = 2'000'000 * i;
        s.duration = 2'000'000 + 1'000'000 * i;
        s.hostStart = 1'000 + i;
        s.hostEnd = 9'000'000 + i;
        s.sha256 = QString(64, u'f');
        s.byteCount = 4'000'000;
        s.audioTracks = {{RecordingAudio::System, 1}, {RecordingAudio::Microphone, 2}};
        s.droppedVideo = 2;
        r.segments.push_back(s);
    }
    r.trim = RecordingRange{100'000, 4'500'000};
    r.crop = Rect{0, 0, 640, 400};
    r.muteMicrophone = true;
    r.redactions.push_back({fixedId(410), {200'000, 900'000}, {10, 10, 100, 50}});
    r.recovery = RecordingRecovery::Partial;
    return r;
}

CaptureNote fullNote() {
    CaptureNote note = emptyNote();
    note.id = fixedId(3);
    note.schemaVersion = kNewestSchemaVersion;
    note.title = QStringLiteral("Everything at once — 日本語 ✓");
    note.revision = 42;
    note.modifiedAt = kCreated + 3600.25;
    note.media = fullImages();
    note.marks = everyKindOfMark(note.media[0].id);
    note.general = QStringLiteral("General\nnote");
    note.includeGeneral = false;
    note.reviewOnly = true;
    note.notes = {{fixedId(300), note.marks[0].id, QStringLiteral("Pointer note"), true, {}},
                  {fixedId(301), note.marks[1].id, QStringLiteral("Arrow note"), false, {}},
                  {fixedId(302), std::nullopt, QStringLiteral("Unlinked"), true, {}},
                  {fixedId(303), std::nullopt, QStringLiteral("At 1 s"), true,
                   RecordingRange{1'000'000, 2'000'000}}};
    VoiceRecording voice;
    voice.id = fixedId(500);
    voice.noteID = fixedId(302);
    voice.createdAt = kCreated + 10;
    voice.locale = QStringLiteral("en-US");
    voice.duration = 3.5;
    voice.transcript = QStringLiteral("the button is hidden");
    voice.audioSHA256 = QString(64, u'a');
    voice.issue = QStringLiteral("Transcription was cut short.");
    note.recordings = std::vector<VoiceRecording>{voice};
    note.screenRecording = recording();
    return note;
}

} // namespace

std::vector<CaptureNote> seedNotes() {
    CaptureNote small = smallNote();
    small.schemaVersion = minimumSchemaVersion(small);
    return {emptyNote(), small, fullNote()};
}

} // namespace lumbex::fuzz
