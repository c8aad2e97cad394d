#include "core/error.h"
#include "core/files.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "model/recording_keys.h"
#include "note_fixtures.h"
#include "support/temporary_folder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QThread>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::thrownMessage;

QByteArray pngOf(int width, int height, QColor color = Qt::darkCyan) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    image.setText(QStringLiteral("Comment"), QStringLiteral("kept as captured"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

// Runs the event loop until `done` holds or `timeoutMs` passes; answers whether it holds.
bool runUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return done();
}

void runFor(int milliseconds) {
    runUntil([] { return false; }, milliseconds);
}

// Counts the document's notifications.
struct Events {
    int changed = 0;
    int saved = 0;
    qint64 firstSavedAtMs = -1;
    QElapsedTimer clock;

    explicit Events(NoteDocument& document) {
        clock.start();
        QObject::connect(&document, &NoteDocument::noteChanged, [this] { ++changed; });
        QObject::connect(&document, &NoteDocument::noteSaved, [this] {
            if (++saved == 1)
                firstSavedAtMs = clock.elapsed();
        });
    }
};

void setTitle(NoteDocument& document, const QString& title) {
    document.change(QStringLiteral("Rename"), [&](CaptureNote& note) { note.title = title; });
}

class NoteDocumentTest : public ::testing::Test {
protected:
    QString libraryPackage(const NoteDocument& document) const {
        return QDir(library()).filePath(idString(document.note().id) +
                                        QStringLiteral(".capturenote"));
    }
    // The folder new notes are saved into; created by their first save.
    QString library() const { return home.path(QStringLiteral("Notes")); }
    std::unique_ptr<NoteDocument> twoImageDocument() const {
        auto document =
            NoteDocument::fromImageData(pngOf(40, 30), QStringLiteral("first"), library());
        document->appendImage(pngOf(20, 10, Qt::yellow), QStringLiteral("second"), false);
        return document;
    }
    // A document whose package is on disk, as opened from there.
    std::unique_ptr<NoteDocument> savedDocument() const {
        auto document = twoImageDocument();
        bool done = false;
        document->saveCheckpoint([&](const auto&) { done = true; });
        EXPECT_TRUE(runUntil([&] { return done; }));
        return NoteDocument::open(document->filePath());
    }

    test::TemporaryFolder home;
};

TEST_F(NoteDocumentTest, ChangeIsOneNamedUndoStepAndRevisionOnlyGrows) {
    auto document = twoImageDocument();
    Events events(*document);
    const CaptureNote original = document->note();

    setTitle(*document, QStringLiteral("Renamed"));
    EXPECT_EQ(document->note().revision, original.revision + 1);
    EXPECT_GE(document->note().modifiedAt, original.modifiedAt);
    ASSERT_EQ(document->undoStack().count(), 1);
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Rename"));

    document->undoStack().undo();
    EXPECT_EQ(document->note().title, original.title);
    EXPECT_EQ(document->note().revision, original.revision + 2);
    EXPECT_EQ(document->undoStack().redoText(), QStringLiteral("Rename"));

    document->undoStack().redo();
    EXPECT_EQ(document->note().title, QStringLiteral("Renamed"));
    EXPECT_EQ(document->note().revision, original.revision + 3);
    EXPECT_EQ(events.changed, 3);
}

TEST_F(NoteDocumentTest, ChangeThatThrowsOrChangesNothingRecordsNothing) {
    const auto throwHalfway = [](CaptureNote& note) {
        note.title = QStringLiteral("Half");
        throw LumbexError(QStringLiteral("Refused."));
    };
    const auto keepTitle = [](CaptureNote& note) { note.title = note.title; };
    for (const auto& [body, message] :
         {std::pair<std::function<void(CaptureNote&)>, std::string>{throwHalfway, "Refused."},
          {keepTitle, ""}}) {
        SCOPED_TRACE(message);
        auto document = twoImageDocument();
        Events events(*document);
        const CaptureNote before = document->note();
        EXPECT_EQ(thrownMessage([&] { document->change(QStringLiteral("Edit"), body); }), message);
        EXPECT_EQ(document->note(), before);
        EXPECT_EQ(document->undoStack().count(), 0);
        runFor(NoteDocument::kAutosaveDelayMs + 200);
        EXPECT_EQ(events.changed + events.saved, 0);
        EXPECT_TRUE(document->filePath().isEmpty());
    }
}

TEST_F(NoteDocumentTest, FormatLevelRisesWithContentAndFallsOnlyByUndo) {
    auto document = twoImageDocument();
    ASSERT_EQ(document->note().schemaVersion, 1);
    const Mark magnifier = test::makeMark(document->note().media.front(), MarkKind::Magnify);

    document->change(QStringLiteral("Add Magnifier"),
                     [&](CaptureNote& note) { note.marks.push_back(magnifier); });
    EXPECT_EQ(document->note().schemaVersion, 6);
    document->change(QStringLiteral("Delete"), [](CaptureNote& note) { note.marks.clear(); });
    EXPECT_EQ(document->note().schemaVersion, 6);
    // Undo puts back the whole earlier note, its level included.
    document->undoStack().undo();
    document->undoStack().undo();
    EXPECT_TRUE(document->note().marks.empty());
    EXPECT_EQ(document->note().schemaVersion, 1);
}

TEST_F(NoteDocumentTest, RecognitionCacheIsDroppedOnlyWhenWhatTheImageShowsChanges) {
    for (const auto& [kind, kept] :
         {std::pair{MarkKind::Arrow, true}, std::pair{MarkKind::Redact, false}}) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        auto document = twoImageDocument();
        document->change(QStringLiteral("Recognize"), [](CaptureNote& note) {
            Media& image = note.media.front();
            image.recognition = RecognitionCache{imageKey(note, image), QStringLiteral("text")};
        });
        ASSERT_TRUE(document->note().media.front().recognition);

        const Mark mark = test::makeMark(document->note().media.front(), kind);
        document->change(QStringLiteral("Add Mark"),
                         [&](CaptureNote& note) { note.marks.push_back(mark); });
        EXPECT_EQ(document->note().media.front().recognition.has_value(), kept);
    }
}

TEST_F(NoteDocumentTest, UndoKeepsVoiceWorkTheUndoneStepDidNotTouch) {
    auto document = twoImageDocument();
    VoiceRecording voice;
    voice.id = newId();
    document->change(QStringLiteral("Dictate Note"),
                     [&](CaptureNote& note) { note.recordings = std::vector{voice}; });
    setTitle(*document, QStringLiteral("Renamed"));
    document->update([](CaptureNote& note) {
        note.recordings->front().transcript = QStringLiteral("hello");
        note.general = QStringLiteral("hello");
    });
    document->change(QStringLiteral("Edit Transcript"), [](CaptureNote& note) {
        note.recordings->front().transcript = QStringLiteral("edited");
    });

    document->undoStack().undo(); // The recording comes back as before the step.
    EXPECT_EQ(document->note().recordings->front().transcript, QStringLiteral("hello"));
    document->undoStack().undo(); // Rename touched neither the recording nor the text.
    EXPECT_EQ(document->note().title, QStringLiteral("Capture"));
    EXPECT_EQ(document->note().general, QStringLiteral("hello"));
    EXPECT_EQ(document->note().recordings->front().transcript, QStringLiteral("hello"));
    document->undoStack().undo(); // The recording the step added disappears.
    EXPECT_FALSE(document->note().recordings);
}

TEST_F(NoteDocumentTest, ImagesAreAddedUndoablyWithTheirBytesKept) {
    auto document = NoteDocument::fromImageData(pngOf(40, 30), QStringLiteral("first"), library());
    const Id added = document->appendImage(pngOf(20, 10), QStringLiteral("second"), true);
    const Media& image = document->note().media.back();
    EXPECT_EQ(image.id, added);
    EXPECT_EQ(image.role, MediaRole::After);
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Add Image"));

    document->undoStack().undo();
    EXPECT_EQ(document->note().media.size(), 1u);
    document->undoStack().redo();
    EXPECT_EQ(ImageFiles::hash(document->contents().originals.at(added)),
              document->note().media.back().sha256);
    const CaptureNote before = document->note();
    EXPECT_EQ(
        thrownMessage([&] { document->appendImage("not an image", QStringLiteral("x"), true); }),
        "Choose a readable image file.");
    EXPECT_EQ(document->note(), before);

    const QByteArray png = pngOf(64, 48);
    const auto captured = NoteDocument::fromCapturePNG(png, QStringLiteral("Capture"), library());
    const Media& capturedImage = captured->note().media.at(0);
    EXPECT_EQ(captured->contents().originals.at(capturedImage.id), png);
    EXPECT_EQ(capturedImage.sha256, ImageFiles::hash(png));
    EXPECT_EQ(thrownMessage(
                  [&] { NoteDocument::fromCapturePNG("junk", QStringLiteral("x"), library()); }),
              "The image could not be read, or exceeds 120 megapixels.");
}

TEST_F(NoteDocumentTest, RemoveImageIsNamedByKindAndARefusalRecordsNothing) {
    auto document = twoImageDocument();
    document->update([](CaptureNote& note) {
        test::attachRecording(note);
        note.media.push_back(test::makeFrame(*note.screenRecording, 1'000'000));
    });
    const std::vector<Media> media = document->note().media;
    document->removeImage(media[2].id);
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Remove Frame"));
    document->removeImage(media[1].id);
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Remove Image"));

    const CaptureNote before = document->note();
    EXPECT_EQ(thrownMessage([&] { document->removeImage(media[0].id); }),
              "Keep at least one image in this note. Add another frame or image first.");
    EXPECT_EQ(document->note(), before);
    EXPECT_EQ(document->undoStack().count(), 2);
}

class RecordingNoteDocumentTest : public NoteDocumentTest {
protected:
    void SetUp() override {
        document = twoImageDocument();
        document->update([](CaptureNote& note) { test::attachRecording(note); });
    }
    RecordingStill still(qint64 sourceTime) const {
        return {sourceTime, pngOf(32, 18), QSize(32, 18)};
    }
    QString editKeyNow() const { return editKey(*document->note().screenRecording); }

    std::unique_ptr<NoteDocument> document;
};

TEST_F(RecordingNoteDocumentTest, RecordingChangesAreCheckedUndoableSteps) {
    document->changeRecording(QStringLiteral("Trim Recording"), [](ScreenRecording& recording) {
        recording.trim = RecordingRange{500'000, 1'500'000};
    });
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Trim Recording"));
    EXPECT_EQ(document->note().screenRecording->trim, (RecordingRange{500'000, 1'500'000}));

    const CaptureNote before = document->note();
    const struct {
        std::function<void(ScreenRecording&)> edit;
        std::string message;
    } refused[] = {
        {[](ScreenRecording& r) {
             r.trim = RecordingRange{0, 999};
         },
         "Choose a valid recording range."},
        {[](ScreenRecording& r) {
             r.crop = Rect{1200, 0, 100, 100};
         },
         "The recording crop is outside the video."},
        {[](ScreenRecording& r) {
             r.redactions.push_back({newId(), {0, 0}, {0, 0, 10, 10}});
         },
         "A recording redaction has an invalid area or time range."},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.message);
        EXPECT_EQ(thrownMessage([&] { document->changeRecording(QStringLiteral("Edit"), r.edit); }),
                  r.message);
        EXPECT_EQ(document->note(), before);
    }
    EXPECT_EQ(document->undoStack().count(), 1);

    auto plain = twoImageDocument();
    EXPECT_EQ(thrownMessage([&] { plain->changeRecording(QStringLiteral("Edit"), [](auto&) {}); }),
              "This note has no screen recording.");
}

TEST_F(RecordingNoteDocumentTest, FramesAreAddedAsOneStepWithTheirTimeAndLook) {
    const QString key = visualKey(*document->note().screenRecording);
    const std::vector<Id> ids = document->appendRecordingFrames(
        {still(0), still(1'250'000), still(3'966'666)}, editKeyNow(), true);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Add Recording Frames"));
    const char* names[] = {"Frame · 00:00.000", "Frame · 00:01.250", "Frame · 00:03.966"};
    const qint64 times[] = {0, 1'250'000, 3'966'666};
    for (size_t i = 0; i < ids.size(); ++i) {
        const Media* frame = document->note().image(ids[i]);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->name, QString::fromUtf8(names[i]));
        EXPECT_EQ(frame->recordingFrame, (RecordingFrame{times[i], key}));
        EXPECT_EQ(frame->role, MediaRole::After);
        EXPECT_EQ(QSize(int(frame->width), int(frame->height)), QSize(32, 18));
        EXPECT_EQ(ImageFiles::hash(document->contents().originals.at(ids[i])), frame->sha256);
    }
    document->undoStack().undo();
    EXPECT_EQ(document->note().media.size(), 2u);
    document->undoStack().redo();
    EXPECT_EQ(document->note().media.size(), 5u);

    // Stills taken before the recording was edited are refused.
    const QString stale = editKeyNow();
    document->changeRecording(QStringLiteral("Mute"), [](auto& r) { r.muteSystem = true; });
    const CaptureNote before = document->note();
    EXPECT_EQ(thrownMessage([&] { document->appendRecordingFrames({still(0)}, stale, true); }),
              "The recording changed while preparing frames. Try again.");
    EXPECT_EQ(document->note(), before);
}

TEST_F(RecordingNoteDocumentTest, ATimeNoteComesWithAnIncludedFrameFromItsRange) {
    const Id noteID = document->addTimeNote({1'000'000, 3'500'000}, QStringLiteral("Look here"),
                                            still(1'000'000), editKeyNow());
    EXPECT_EQ(document->undoStack().undoText(), QStringLiteral("Add Time Note"));
    const LinkedNote& added = document->note().notes.back();
    EXPECT_EQ(added.id, noteID);
    EXPECT_EQ(added.body, QStringLiteral("Look here"));
    EXPECT_EQ(added.timeRange, (RecordingRange{1'000'000, 3'500'000}));
    EXPECT_FALSE(added.markID);
    const Media& frame = document->note().media.back();
    EXPECT_TRUE(frame.includeInRequest);
    EXPECT_EQ(frame.recordingFrame->sourceTime, 1'000'000);

    const CaptureNote before = document->note();
    const struct {
        RecordingRange range;
        qint64 stillTime;
        QString preparedFor;
        std::string message;
    } refused[] = {
        {{1'000'000, 2'000'000},
         2'000'000,
         editKeyNow(),
         "The nearest frame is outside this range. Widen the note range and try again."},
        {{1'000'000, 2'000'000},
         999'999,
         editKeyNow(),
         "The nearest frame is outside this range. Widen the note range and try again."},
        {{1'000'000, 5'000'000},
         1'000'000,
         editKeyNow(),
         "A time note has an invalid recording range."},
        {{1'000'000, 2'000'000},
         1'000'000,
         QStringLiteral("earlier"),
         "The recording changed while preparing the note. Try again."},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.message);
        EXPECT_EQ(thrownMessage([&] {
                      document->addTimeNote(r.range, {}, still(r.stillTime), r.preparedFor);
                  }),
                  r.message);
        EXPECT_EQ(document->note(), before);
    }
}

TEST_F(NoteDocumentTest, ChangesAreSavedIntoTheLibraryOnceShortlyAfterTheLast) {
    auto document = twoImageDocument();
    Events events(*document);
    setTitle(*document, QStringLiteral("One"));
    runFor(500);
    const qint64 lastChangeMs = events.clock.elapsed();
    setTitle(*document, QStringLiteral("Two"));
    runFor(NoteDocument::kAutosaveDelayMs - 250);
    EXPECT_EQ(events.saved, 0);

    runFor(850);
    ASSERT_EQ(events.saved, 1);
    EXPECT_GE(events.firstSavedAtMs - lastChangeMs, NoteDocument::kAutosaveDelayMs);
    EXPECT_EQ(document->filePath(), libraryPackage(*document));
    EXPECT_EQ(readNotePackage(document->filePath()).note, document->note());
    EXPECT_FALSE(document->saveError());
}

TEST_F(NoteDocumentTest, ChangeDuringASaveIsSavedByOneMoreSaveBeforeCompletionsRun) {
    auto document = twoImageDocument();
    Events events(*document);
    std::vector<std::string> order;
    document->saveCheckpoint();
    ASSERT_TRUE(document->isSaving());
    setTitle(*document, QStringLiteral("During"));
    document->saveCheckpoint([&](const auto& error) {
        EXPECT_FALSE(error);
        order.push_back("completion after " + std::to_string(events.saved) + " saves");
    });
    ASSERT_TRUE(runUntil([&] { return !order.empty(); }));
    runFor(NoteDocument::kAutosaveDelayMs + 200);
    EXPECT_EQ(order, std::vector<std::string>{"completion after 2 saves"});
    EXPECT_EQ(events.saved, 2);
    EXPECT_EQ(readNotePackage(document->filePath()).note, document->note());
}

TEST_F(NoteDocumentTest, SavedNoteOpensWithItsContentAndSavesInPlace) {
    const auto document = savedDocument();
    const QString stale = temporarySibling(document->filePath(), QStringLiteral("saving"));
    ASSERT_TRUE(QDir().mkpath(stale));
    const auto reopened = NoteDocument::open(document->filePath());
    EXPECT_EQ(reopened->note(), document->note());
    EXPECT_EQ(reopened->contents().originals, document->contents().originals);
    EXPECT_FALSE(QFileInfo::exists(stale));

    setTitle(*reopened, QStringLiteral("Again"));
    std::optional<std::optional<QString>> result;
    reopened->saveCheckpoint([&](const auto& error) { result = error; });
    ASSERT_TRUE(runUntil([&] { return result.has_value(); }));
    EXPECT_FALSE(*result);
    EXPECT_EQ(readNotePackage(document->filePath()).note.title, QStringLiteral("Again"));
    EXPECT_EQ(
        QDir(library()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{u'.' + QFileInfo(document->filePath()).fileName() + QStringLiteral(".lock"),
                     QFileInfo(document->filePath()).fileName()}));
}

TEST_F(NoteDocumentTest, FailedSaveKeepsThePackageAndReportsUntilTheNextChange) {
    const auto document = savedDocument();
    const QByteArray json = test::fileBytes(document->filePath() + QStringLiteral("/note.json"));
    Mark stray = test::makeMark(document->note().media.front());
    stray.mediaID = newId();
    document->change(QStringLiteral("Add Mark"),
                     [&](CaptureNote& note) { note.marks.push_back(stray); });

    std::optional<QString> failure;
    document->saveCheckpoint([&](const auto& error) { failure = error; });
    ASSERT_TRUE(runUntil([&] { return failure.has_value(); }));
    EXPECT_EQ(*failure, QStringLiteral("This note contains an invalid annotation."));
    EXPECT_EQ(document->saveError(), failure);
    EXPECT_EQ(test::fileBytes(document->filePath() + QStringLiteral("/note.json")), json);

    document->undoStack().undo();
    EXPECT_FALSE(document->saveError());
}

TEST_F(NoteDocumentTest, ANoteAtTheLastRevisionNumberRefusesChangesInsteadOfWrapping) {
    const auto document = savedDocument();
    const QString json = document->filePath() + QStringLiteral("/note.json");
    QByteArray bytes = test::fileBytes(json);
    bytes.replace("\"revision\": " + QByteArray::number(document->note().revision),
                  "\"revision\": 9223372036854775807");
    writeFileAtomically(json, bytes);

    const auto reopened = NoteDocument::open(document->filePath());
    EXPECT_EQ(thrownMessage([&] { setTitle(*reopened, QStringLiteral("Wrapped")); }),
              "This note cannot record another change: its revision number is at its limit.");
    EXPECT_EQ(reopened->note().revision, std::numeric_limits<qint64>::max());
    EXPECT_EQ(reopened->undoStack().count(), 0);
}

TEST_F(NoteDocumentTest, ClosedNoteRefusesToSave) {
    auto document = twoImageDocument();
    setTitle(*document, QStringLiteral("Pending"));
    document->close();
    std::optional<QString> failure;
    document->saveCheckpoint([&](const auto& error) { failure = error; });
    EXPECT_EQ(failure, QStringLiteral("This note has been closed."));
    runFor(NoteDocument::kAutosaveDelayMs + 200);
    EXPECT_FALSE(QFileInfo::exists(libraryPackage(*document)));
}

} // namespace
} // namespace lumbex
