#include "fake_voice_ports.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session.h"
#include "voice_test_notes.h"

#include <QDir>
#include <future>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr AudioFormat kFormat{16000, 1};
constexpr TextRange kEnd{-1, 0};

class VoiceSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = test::noteWithLinkedText(folder.path(QStringLiteral("Notes")),
                                            QStringLiteral("Button"), noteID);
        audioFile = folder.write(QStringLiteral("speech.wav"), "stand-in");
    }

    void TearDown() override {
        VoiceSession::finishAllAndWait(nullptr);
        permission.set_value();
    }

    VoiceServices services() {
        VoiceServices s;
        s.makeSpeech = [this](const QString& locale, bool fileInput, LocalSpeech::Status status,
                              LocalSpeech::Transcript transcript) -> std::unique_ptr<LocalSpeech> {
            if (locale != u"en-US")
                throw LumbexError(QStringLiteral("On-device transcription is unavailable for "
                                                 "this language. You can keep typing."));
            madeForFile = fileInput;
            auto made = std::make_unique<test::ScriptedSpeech>(status, transcript);
            made->atFinish = atFinish;
            made->hangs = speechHangs;
            if (speechStatus)
                made->tell(*speechStatus);
            speech = made.get();
            return made;
        };
        s.currentMicrophone = [this] { return microphone; };
        s.openMicrophone =
            [this](const std::optional<Microphone>& m) -> std::unique_ptr<MicrophoneCapture> {
            if (!m)
                throw LumbexError(QStringLiteral(
                    "The selected microphone is unavailable. Choose another microphone in this "
                    "note, or keep typing."));
            auto made =
                std::make_unique<test::FakeCapture>(kFormat, micFrames, micBuffers, micLoudness);
            made->failWith = micFailure;
            capture = made.get();
            return made;
        };
        s.openAudioFile = [this](const QString& path) -> std::unique_ptr<AudioFileInput> {
            if (!QFile::exists(path))
                throw LumbexError(QStringLiteral("This audio file couldn’t be read. Choose "
                                                 "another recording, or keep typing."));
            return std::make_unique<test::ScriptedAudioFile>(kFormat, fileFrames, fileLoudness);
        };
        s.makeWriter = [this](const AudioFormat& format, LocalSpeech*, VoiceSignal& signal,
                              const QString& path) -> std::unique_ptr<VoiceAudioWriter> {
            auto made = std::make_unique<test::FakeWriter>(format, signal, path);
            made->failAfterFrames = writerFailsAfter;
            writer = made.get();
            writerPath = path;
            return made;
        };
        s.draftsRoot = folder.path(QStringLiteral("Voice Drafts"));
        s.noteIsActive = [this] { return noteActive; };
        s.authorizeMicrophone = authorize;
        s.microphonePermissionTimeoutMs = 300;
        s.transcriptTimeoutMs = 300;
        return s;
    }

    std::shared_ptr<VoiceSession> begin(const std::optional<QString>& file,
                                        const std::optional<Id>& target,
                                        const QString& locale = QStringLiteral("en-US")) {
        auto session = VoiceSession::make(*document, target, kEnd, locale, services());
        session->onChange = [this, raw = session.get()] { messages.push_back(raw->message()); };
        session->start(file);
        return session;
    }

    bool finished(const std::shared_ptr<VoiceSession>& session, int ms = 8000) {
        return test::processEventsUntil(
            [&] { return session->phase() == VoiceSession::Phase::Done; }, ms);
    }

    const VoiceRecording* recordingOf(const VoiceSession& session) const {
        if (!document->note().recordings)
            return nullptr;
        for (const VoiceRecording& r : *document->note().recordings) {
            if (r.id == session.id())
                return &r;
        }
        return nullptr;
    }

    bool saw(const QString& message) const {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }

    VoiceTranscript said(const QString& text, int segment, bool isFinal, const QString& full,
                         std::optional<AudioTimeRange> range = std::nullopt) {
        return VoiceTranscript{text, full, segment, isFinal, range};
    }

    test::TemporaryFolder folder;
    std::unique_ptr<NoteDocument> document;
    Id noteID;
    QString audioFile;
    std::vector<QString> messages;

    // Knobs of the stand-ins.
    qint64 fileFrames = 2 * 16000;
    test::Loudness fileLoudness = test::loud;
    std::vector<VoiceTranscript> atFinish;
    bool speechHangs = false;
    std::optional<QString> speechStatus;
    std::optional<Microphone> microphone = Microphone{"fake.source", "Fake Microphone"};
    qint64 micFrames = 1600;
    int micBuffers = 50;
    test::Loudness micLoudness = test::loud;
    std::optional<QString> micFailure;
    std::optional<qint64> writerFailsAfter;
    bool noteActive = true;
    std::function<void(const std::optional<Microphone>&)> authorize;
    std::promise<void> permission;

    // What the stand-ins made.
    std::atomic<test::ScriptedSpeech*> speech{nullptr};
    std::atomic<test::FakeCapture*> capture{nullptr};
    test::FakeWriter* writer = nullptr;
    QString writerPath;
    std::atomic<bool> madeForFile{false};
};

TEST_F(VoiceSessionTest, AnImportedFileIsTranscribedIntoTheNoteAndKeptWithItsAudio) {
    atFinish = {said(QStringLiteral(" is"), 0, false, QStringLiteral(" is")),
                said(QStringLiteral(" is misaligned"), 0, true, QStringLiteral(" is misaligned"),
                     AudioTimeRange{0.1, 1.5})};
    auto session = begin(audioFile, noteID);
    EXPECT_EQ(session->message(), "Preparing voice…");
    EXPECT_EQ(session->phase(), VoiceSession::Phase::Preparing);
    ASSERT_TRUE(recordingOf(*session));
    EXPECT_EQ(recordingOf(*session)->issue, kInterruptedRecordingIssue);
    EXPECT_EQ(document->note().schemaVersion, 2);
    EXPECT_EQ(document->undoStack().undoText(), "Dictate Note");
    EXPECT_EQ(VoiceSession::pending(document.get()).size(), 1u);
    ASSERT_TRUE(finished(session));

    EXPECT_TRUE(madeForFile);
    EXPECT_TRUE(saw(QStringLiteral("Transcribing audio…")));
    EXPECT_TRUE(saw(QStringLiteral("Finishing transcript…")));
    EXPECT_TRUE(saw(QStringLiteral("Saving voice note…")));
    EXPECT_EQ(session->message(), "Transcript ready");
    EXPECT_EQ(document->note().body(noteID), "Button is misaligned");
    const VoiceRecording* recording = recordingOf(*session);
    ASSERT_TRUE(recording);
    EXPECT_EQ(recording->transcript, " is misaligned");
    EXPECT_DOUBLE_EQ(recording->duration, 2.0);
    EXPECT_EQ(recording->noteID, noteID);
    EXPECT_EQ(recording->locale, "en-US");
    EXPECT_FALSE(recording->issue);
    ASSERT_TRUE(recording->audioSHA256);
    EXPECT_TRUE(document->contents().audio.contains(session->id()));
    // The feed went in buffers of 4096 frames.
    ASSERT_FALSE(writer->bufferSizes.empty());
    EXPECT_EQ(writer->bufferSizes.front(), 4096);
    EXPECT_EQ(writer->bufferSizes.size(), 8u);
    // The draft is gone once the note is saved, and the saved package holds the audio.
    EXPECT_FALSE(QFileInfo::exists(writerPath));
    EXPECT_TRUE(VoiceSession::sessions().empty());
    const auto saved = readNotePackage(document->filePath());
    EXPECT_EQ(saved.note.recordings->front().audioSHA256, recording->audioSHA256);
}

struct ImportRow {
    const char* name;
    qint64 frames;
    bool accepted;
};

class ImportLength : public VoiceSessionTest, public ::testing::WithParamInterface<ImportRow> {};

TEST_P(ImportLength, AcceptsUpToFiveMinutes) {
    fileFrames = GetParam().frames;
    fileLoudness = test::silent;
    auto session = begin(audioFile, std::nullopt);
    ASSERT_TRUE(finished(session, 20000));
    if (GetParam().accepted) {
        EXPECT_NE(session->message(), "Choose an audio recording up to 5 minutes long.");
        ASSERT_TRUE(recordingOf(*session));
        EXPECT_DOUBLE_EQ(recordingOf(*session)->duration, double(fileFrames) / 16000);
    } else {
        EXPECT_EQ(session->message(), "Choose an audio recording up to 5 minutes long.");
        // Nothing was recorded, so the recording goes and the note returns to its old format.
        EXPECT_FALSE(document->note().recordings);
        EXPECT_EQ(document->note().schemaVersion, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ImportLength,
                         ::testing::Values(ImportRow{"Empty", 0, false},
                                           ImportRow{"ExactlyFiveMinutes", 300 * 16000, true},
                                           ImportRow{"ATenthOfASecondMore", 300 * 16000 + 1600,
                                                     false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceSessionTest, AnUnreadableFileEndsWithItsMessage) {
    auto session = begin(folder.path(QStringLiteral("missing.wav")), noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(),
              "This audio file couldn’t be read. Choose another recording, or keep typing.");
    EXPECT_FALSE(document->note().recordings);
    EXPECT_EQ(document->note().body(noteID), "Button");
}

TEST_F(VoiceSessionTest, AnUnsupportedLanguageEndsAndTheUserKeepsTyping) {
    auto session = begin(audioFile, noteID, QStringLiteral("ko-KR"));
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(),
              "On-device transcription is unavailable for this language. You can keep typing.");
    EXPECT_FALSE(document->note().recordings);
}

TEST_F(VoiceSessionTest, TheRecognisersStatusIsShownWhilePreparing) {
    speechStatus = QStringLiteral("Preparing language…");
    auto session = begin(audioFile, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_TRUE(saw(QStringLiteral("Preparing language…")));
}

TEST_F(VoiceSessionTest, LiveDictationListensAndWritesAtTheCursor) {
    micBuffers = 1000000;
    auto session = begin(std::nullopt, noteID);
    EXPECT_FALSE(madeForFile);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return session->message() == u"Listening" && session->level() > 0; }, 5000));
    EXPECT_TRUE(saw(QStringLiteral("Waiting for microphone access…")));
    EXPECT_TRUE(saw(QStringLiteral("Starting microphone…")));
    EXPECT_EQ(session->microphone()->id, "fake.source");
    EXPECT_EQ(VoiceSession::current(), session);
    speech.load()->say(said(QStringLiteral("go forward"), 0, false, QStringLiteral("go forward")));
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return document->note().body(noteID) == u"Button go forward"; }, 3000));
    EXPECT_EQ(session->dictatedCaret(), 17);
    EXPECT_EQ(session->provisionalRange(), (TextRange{6, 11}));
    session->stop();
    EXPECT_FALSE(VoiceSession::current());
    EXPECT_EQ(session->message(), "Finishing transcript…");
    EXPECT_EQ(session->level(), 0);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "Transcript ready");
    ASSERT_TRUE(recordingOf(*session));
    EXPECT_GT(recordingOf(*session)->duration, 0);
    EXPECT_TRUE(recordingOf(*session)->audioSHA256);
    EXPECT_TRUE(speech.load()->finished);
}

TEST_F(VoiceSessionTest, QuietInputIsReportedAfterTwoSeconds) {
    micLoudness = test::silent;
    micBuffers = 1000000;
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return session->message() == u"Input is very quiet"; }, 5000));
    EXPECT_GE(session->duration(), 2.0);
    EXPECT_TRUE(saw(QStringLiteral("Listening")));
}

TEST_F(VoiceSessionTest, DictationStopsAtFiveMinutes) {
    micFrames = 16000;
    micBuffers = 400;
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session, 20000));
    EXPECT_EQ(session->message(),
              "Reached the 5-minute limit. Start another voice note to continue.");
    ASSERT_TRUE(recordingOf(*session));
    EXPECT_EQ(recordingOf(*session)->issue, session->message());
    EXPECT_GE(recordingOf(*session)->duration, 300.0);
    EXPECT_TRUE(recordingOf(*session)->audioSHA256);
}

TEST_F(VoiceSessionTest, AFailingMicrophoneEndsWithItsMessageAndKeepsTheAudio) {
    micBuffers = 20;
    micFailure =
        QStringLiteral("The microphone was disconnected. Your recorded audio has been kept.");
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), *micFailure);
    ASSERT_TRUE(recordingOf(*session));
    EXPECT_EQ(recordingOf(*session)->issue, *micFailure);
    EXPECT_TRUE(recordingOf(*session)->audioSHA256);
}

TEST_F(VoiceSessionTest, AFailingWriterEndsWithItsMessage) {
    micBuffers = 1000000;
    writerFailsAfter = 16000;
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "The disk is full. Your recorded audio has been kept.");
}

TEST_F(VoiceSessionTest, AnUnansweredPermissionTimesOut) {
    authorize = [future = permission.get_future().share()](const std::optional<Microphone>&) {
        future.wait();
    };
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(),
              "The microphone didn’t respond. Check that the sound server is running, then try "
              "again.");
    EXPECT_FALSE(document->note().recordings);
}

TEST_F(VoiceSessionTest, ADeniedMicrophoneEndsWithTheDenial) {
    authorize = [](const std::optional<Microphone>&) {
        throw LumbexError(QStringLiteral("Microphone access is off. Allow Lumbex in System "
                                         "Settings → Privacy & Security → Microphone, or keep "
                                         "typing."));
    };
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "Microphone access is off. Allow Lumbex in System Settings → "
                                  "Privacy & Security → Microphone, or keep typing.");
}

TEST_F(VoiceSessionTest, NoMicrophoneAtAllIsSaidPlainly) {
    microphone.reset();
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "No microphone could be opened. Connect a microphone or choose "
                                  "another one in this note, or keep typing.");
}

TEST_F(VoiceSessionTest, LeavingTheNoteWhilePreparingPausesVoiceInput) {
    noteActive = false;
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "Voice input paused because you left this note. Click the mic "
                                  "to start when you’re ready.");
}

TEST_F(VoiceSessionTest, StoppingWhilePreparingCancelsAndRemovesTheRecording) {
    auto session = begin(std::nullopt, noteID);
    session->stop();
    session->stop();
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "Voice input cancelled");
    EXPECT_FALSE(document->note().recordings);
    EXPECT_EQ(document->note().schemaVersion, 1);
}

TEST_F(VoiceSessionTest, OnlyOneSessionIsLive) {
    micBuffers = 1000000;
    auto first = begin(std::nullopt, noteID);
    auto second = begin(std::nullopt, std::nullopt);
    EXPECT_EQ(second->phase(), VoiceSession::Phase::Done);
    EXPECT_EQ(second->message(), "Stop the other voice note first.");
    EXPECT_EQ(document->note().recordings->size(), 1u);
    first->stop();
    // While the first finishes, the same text refuses and another text may start.
    auto same = begin(std::nullopt, noteID);
    EXPECT_EQ(same->message(), "This transcript is finishing. You can dictate into another note.");
    EXPECT_EQ(*VoiceSession::startRefusal(*document, noteID, false, false), same->message());
    auto other = begin(std::nullopt, std::nullopt);
    EXPECT_NE(other->phase(), VoiceSession::Phase::Done);
    EXPECT_EQ(VoiceSession::pending(document.get()).size(), 2u);
    VoiceSession::finishAllAndWait(document.get());
    EXPECT_TRUE(VoiceSession::sessions().empty());
    EXPECT_EQ(first->phase(), VoiceSession::Phase::Done);
    EXPECT_EQ(other->phase(), VoiceSession::Phase::Done);
}

TEST_F(VoiceSessionTest, TheEditorsRefusalsComeInOrder) {
    EXPECT_EQ(*VoiceSession::startRefusal(*document, noteID, true, true),
              "Stop the screen recording before adding a voice note.");
    EXPECT_EQ(*VoiceSession::startRefusal(*document, noteID, false, true),
              "Finish composing this character, then start voice input.");
    EXPECT_FALSE(VoiceSession::startRefusal(*document, noteID, false, false));
    micBuffers = 1000000;
    auto live = begin(std::nullopt, noteID);
    NoteDocument otherWindow(folder.path(QStringLiteral("Other")));
    EXPECT_EQ(*VoiceSession::startRefusal(otherWindow, std::nullopt, false, true),
              "Finish the voice note in the other window first.");
}

TEST_F(VoiceSessionTest, ARecogniserThatDoesNotFinishTimesOut) {
    speechHangs = true;
    auto session = begin(audioFile, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_TRUE(speech.load()->cancelled);
    EXPECT_EQ(session->message(),
              "Transcription timed out. Your audio and visible text have been kept.");
    EXPECT_TRUE(recordingOf(*session)->audioSHA256);
}

TEST_F(VoiceSessionTest, WordsHeardInSilenceAreLeftOut) {
    // One loud second, then one silent second.
    fileLoudness = [](qint64 frame) { return frame < 16000 ? test::loud(frame) : 0.0f; };
    atFinish = {said(QStringLiteral("go"), 0, true, QStringLiteral("go"), AudioTimeRange{0.2, 0.6}),
                said(QStringLiteral("ghost"), 1, false, QStringLiteral("go ghost"),
                     AudioTimeRange{1.7, 1.9})};
    auto session = begin(audioFile, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(document->note().body(noteID), "Button go");
    EXPECT_EQ(session->quietSegments(), std::set<int>{1});
    EXPECT_EQ(recordingOf(*session)->transcript, "go ghost");
    EXPECT_EQ(session->message(), "Very quiet audio was left out of your note. Review Original "
                                  "Transcript in Voice options; your recording is saved.");
}

TEST_F(VoiceSessionTest, ASegmentThatTurnsQuietIsTakenOutAgain) {
    fileLoudness = [](qint64 frame) { return frame < 16000 ? test::loud(frame) : 0.0f; };
    atFinish = {
        said(QStringLiteral("go"), 0, false, QStringLiteral("go"), AudioTimeRange{0.2, 0.6}),
        said(QStringLiteral("go"), 0, true, QStringLiteral("go"), AudioTimeRange{1.7, 1.9})};
    auto session = begin(audioFile, noteID);
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(document->note().body(noteID), "Button");
}

TEST_F(VoiceSessionTest, QuietAudioAndNoWordsHaveTheirIssues) {
    fileLoudness = test::silent;
    atFinish = {said(QStringLiteral("hello"), 0, true, QStringLiteral("hello"))};
    auto quiet = begin(audioFile, noteID);
    ASSERT_TRUE(finished(quiet));
    EXPECT_EQ(quiet->message(),
              "Audio was very quiet. Check your microphone or play the saved recording in Voice "
              "options.");
    fileLoudness = test::loud;
    atFinish.clear();
    auto wordless = begin(audioFile, noteID);
    ASSERT_TRUE(finished(wordless));
    EXPECT_EQ(wordless->message(),
              "No speech recognized. Play the recording or transcribe it again.");
    EXPECT_EQ(recordingOf(*wordless)->issue, wordless->message());
}

TEST_F(VoiceSessionTest, AFailedSaveKeepsTheDraft) {
    micBuffers = 1000000;
    auto session = begin(std::nullopt, noteID);
    // Some audio first: a draft without audio has nothing to keep.
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            return session->phase() == VoiceSession::Phase::Recording && session->duration() > 0;
        },
        5000));
    const QString draft = QFileInfo(writerPath).path();
    document->close();
    session->stop();
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(session->message(), "Couldn’t save voice note: This note has been closed.");
    EXPECT_TRUE(QFileInfo::exists(writerPath));
    EXPECT_TRUE(QFileInfo::exists(draft + QStringLiteral("/voice.json")));
}

TEST_F(VoiceSessionTest, ADraftThatCannotBeMadeEndsTheSession) {
    VoiceServices broken = services();
    folder.write(QStringLiteral("Blocked"), "a file where the drafts folder goes");
    broken.draftsRoot = folder.path(QStringLiteral("Blocked"));
    auto session = VoiceSession::make(*document, noteID, kEnd, QStringLiteral("en-US"), broken);
    session->start(audioFile);
    ASSERT_TRUE(finished(session));
    EXPECT_NE(session->message(), "Transcript ready");
    EXPECT_FALSE(session->message().isEmpty());
    EXPECT_FALSE(document->note().recordings);
}

TEST_F(VoiceSessionTest, ResultsWaitForACompositionAndLateResultsAreDropped) {
    micBuffers = 1000000;
    auto session = begin(std::nullopt, noteID);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return session->phase() == VoiceSession::Phase::Recording; }, 5000));
    session->beginTextComposition();
    speech.load()->say(said(QStringLiteral("two"), 1, true, QStringLiteral("one two")));
    speech.load()->say(said(QStringLiteral("one"), 0, true, QStringLiteral("one")));
    ASSERT_TRUE(test::processEventsUntil([&] { return session->hasDeferredText(); }, 3000));
    test::processEventsFor(50);
    EXPECT_EQ(document->note().body(noteID), "Button");
    session->userEdited(QStringLiteral("Button"), false);
    EXPECT_EQ(document->note().body(noteID), "Button one two");
    EXPECT_FALSE(session->hasDeferredText());
    auto* recogniser = speech.load();
    session->stop();
    ASSERT_TRUE(finished(session));
    EXPECT_FALSE(session->tracksTextEdits());
    session->receive(said(QStringLiteral("late"), 2, true, QStringLiteral("one two late")));
    recogniser->say(said(QStringLiteral("later"), 3, true, QStringLiteral("one two later")));
    test::processEventsFor(50);
    EXPECT_EQ(document->note().body(noteID), "Button one two");
    EXPECT_EQ(recordingOf(*session)->transcript, "one");
}

TEST_F(VoiceSessionTest, TypingDuringASessionIsWrittenAsOneTypingStep) {
    micBuffers = 1000000;
    double clock = 100;
    VoiceServices timed = services();
    timed.clock = [&clock] { return clock; };
    auto session = VoiceSession::make(*document, noteID, kEnd, QStringLiteral("en-US"), timed);
    session->start();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return session->phase() == VoiceSession::Phase::Recording; }, 5000));
    const int steps = document->undoStack().count();
    session->userEdited(QStringLiteral("Button!"), false);
    clock += 0.4;
    session->userEdited(QStringLiteral("Button!!"), false);
    EXPECT_EQ(document->note().body(noteID), "Button!!");
    EXPECT_EQ(document->undoStack().count(), steps + 1);
    EXPECT_EQ(document->undoStack().undoText(), "Typing");
    clock += 2;
    session->userEdited(QStringLiteral("Button!!?"), false);
    EXPECT_EQ(document->undoStack().count(), steps + 2);
    // Dictated words still go after the typing.
    speech.load()->say(said(QStringLiteral("go"), 0, true, QStringLiteral("go")));
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return document->note().body(noteID) == u"Button!!? go"; }, 3000));
}

// One thing the user or the recogniser does to the text while a session writes into it.
struct TextAction {
    enum Kind { Type, Say, Undo, Redo, Wait, Stop } kind;
    const char16_t* text = u"";
    int segment = 0;
};

struct UndoRow {
    const char* name;
    std::vector<TextAction> actions;
    const char16_t* body;
    int typingSteps;
};

class TypingUndo : public VoiceSessionTest, public ::testing::WithParamInterface<UndoRow> {};

TEST_P(TypingUndo, PutsBackTheTypingAndKeepsTheDictatedWords) {
    micBuffers = 1000000;
    double clock = 100;
    VoiceServices timed = services();
    timed.clock = [&clock] { return clock; };
    auto session = VoiceSession::make(*document, noteID, kEnd, QStringLiteral("en-US"), timed);
    session->start();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return session->phase() == VoiceSession::Phase::Recording; }, 5000));
    QUndoStack& stack = document->undoStack();
    const int before = stack.count();
    for (const TextAction& action : GetParam().actions) {
        const QString text = QString::fromUtf16(action.text);
        switch (action.kind) {
        case TextAction::Type:
            clock += 0.3;
            session->userEdited(text, false);
            break;
        case TextAction::Say:
            session->receive(said(text, action.segment, true, text));
            break;
        case TextAction::Undo:
            ASSERT_EQ(stack.undoText(), "Typing");
            stack.undo();
            break;
        case TextAction::Redo:
            ASSERT_EQ(stack.redoText(), "Typing");
            stack.redo();
            break;
        case TextAction::Wait:
            clock += 1.0;
            break;
        case TextAction::Stop:
            session->stop();
            ASSERT_TRUE(finished(session));
            // The editor keeps only the latest session of a text: this one may be gone.
            session.reset();
            break;
        }
    }
    EXPECT_EQ(document->note().body(noteID), QString::fromUtf16(GetParam().body));
    EXPECT_EQ(stack.count() - before, GetParam().typingSteps);
    if (session) {
        // The session goes on from what the field shows.
        EXPECT_EQ(session->draft().visible, document->note().body(noteID));
        EXPECT_FALSE(session->draft().frozen);
    }
}

constexpr auto kType = TextAction::Type;
constexpr auto kSay = TextAction::Say;
const TextAction kUndo{TextAction::Undo};
const TextAction kRedo{TextAction::Redo};
const TextAction kWait{TextAction::Wait};
const TextAction kStop{TextAction::Stop};

INSTANTIATE_TEST_SUITE_P(
    Rows, TypingUndo,
    ::testing::Values(
        UndoRow{"QuickTypingIsOneStep",
                {{kType, u"Button!"}, {kType, u"Button!!"}, {kType, u"Button!!?"}, kUndo},
                u"Button",
                1},
        UndoRow{"APauseOfASecondStartsANewStep",
                {{kType, u"Button!"}, kWait, {kType, u"Button!!"}, kUndo},
                u"Button!",
                2},
        UndoRow{"TypingElsewhereStartsANewStep",
                {{kType, u"Button!"}, {kType, u"XButton!"}, kUndo},
                u"Button!",
                2},
        UndoRow{"WordsDictatedAfterTheTypingStayOnUndo",
                {{kSay, u"go", 0}, {kType, u"Button go!"}, {kSay, u"on", 1}, kUndo},
                u"Button go on",
                1},
        UndoRow{"RedoPutsTheTypingBackAmongTheWords",
                {{kSay, u"go", 0}, {kType, u"Button go!"}, {kSay, u"on", 1}, kUndo, kRedo},
                u"Button go! on",
                1},
        UndoRow{"WordsDictatedAfterAnUndoLandInTheRestoredText",
                {{kType, u"Xx Button"}, kUndo, {kSay, u"go", 0}},
                u"Button go",
                1},
        UndoRow{"RedoAfterLaterWordsKeepsThem",
                {{kType, u"Button!"}, kUndo, {kSay, u"go", 0}, kRedo},
                u"Button! go",
                1},
        UndoRow{"UndoAfterTheSessionEndedKeepsItsWords",
                {{kType, u"Xx Button"}, {kSay, u"go", 0}, kStop, kUndo},
                u"Button go",
                1},
        UndoRow{
            "TwoStepsUndoneInTurn",
            {{kType, u"Button!"}, kWait, {kSay, u"go", 0}, {kType, u"Xx Button! go"}, kUndo, kUndo},
            u"Button go",
            2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceSessionTest, AFieldChangedBehindItsBackIsLeftAlone) {
    atFinish = {said(QStringLiteral("more"), 0, true, QStringLiteral("more"))};
    auto session = begin(audioFile, noteID);
    document->update([&](CaptureNote& note) { note.setBody(QStringLiteral("Edited"), noteID); });
    ASSERT_TRUE(finished(session));
    EXPECT_EQ(document->note().body(noteID), "Edited");
    EXPECT_TRUE(session->draft().frozen);
    EXPECT_EQ(recordingOf(*session)->transcript, "more");
}

} // namespace
} // namespace lumbex
