// The voice shortcut held in a note window, through the application's hold gesture, with a
// scripted recogniser and microphone: dictation into the focused note text, or at a voice
// location a click or drag on the canvas places; releasing keeps the voice note, Escape
// discards it.
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/note_row.h"
#include "app/editor/voice_controller.h"
#include "app/editor/voice_hold_target.h"
#include "app/shortcuts_ui/voice_hold_gesture.h"
#include "canvas/canvas_view.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "support/event_waiting.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_marks.h"
#include "voice/fake_voice_ports.h"
#include "voice/voice_session.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr AudioFormat kFormat{16000, 1};
constexpr Qt::KeyboardModifiers kHeld = Qt::ControlModifier | Qt::AltModifier;

class VoiceHoldTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        QImage image(480, 300, QImage::Format_RGB32);
        image.fill(QColor(230, 234, 240));
        const QString shot = folder.path(QStringLiteral("shot.png"));
        image.save(shot);
        auto document = NoteDocument::fromImageData(test::fileBytes(shot), QStringLiteral("Shot"),
                                                    folder.path(QStringLiteral("Notes")));
        window = new EditorWindow(std::move(document), settings, clipboard);
        window->resize(1100, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        hold = window->findChild<EditorVoiceHold*>();
        ASSERT_TRUE(hold);
        hold->voice().services = [this] { return services(); };
        hint = window->findChild<QLabel*>(QStringLiteral("Voice hold hint"));
        status = window->findChild<QLabel*>(QStringLiteral("Status line"));
        ASSERT_TRUE(hint && status);
        gesture.start();
    }

    void TearDown() override {
        gesture.stop();
        VoiceSession::finishAllAndWait(nullptr);
        window->close();
        delete window;
    }

    VoiceServices services() {
        VoiceServices s;
        s.makeSpeech = [this](const QString&, bool, LocalSpeech::Status status,
                              LocalSpeech::Transcript transcript) -> std::unique_ptr<LocalSpeech> {
            auto made = std::make_unique<test::ScriptedSpeech>(status, transcript);
            made->hangs = speechHangs;
            speech = made.get();
            return made;
        };
        s.currentMicrophone = [] { return Microphone{"fake.source", "Fake Microphone"}; };
        s.openMicrophone =
            [](const std::optional<Microphone>&) -> std::unique_ptr<MicrophoneCapture> {
            return std::make_unique<test::FakeCapture>(kFormat, 1600, 1000000, test::loud);
        };
        s.makeWriter = [](const AudioFormat& format, LocalSpeech*, VoiceSignal& signal,
                          const QString& path) -> std::unique_ptr<VoiceAudioWriter> {
            return std::make_unique<test::FakeWriter>(format, signal, path);
        };
        s.draftsRoot = folder.path(QStringLiteral("Voice Drafts"));
        s.noteIsActive = [] { return true; };
        s.microphonePermissionTimeoutMs = 2000;
        s.transcriptTimeoutMs = speechHangs ? 3000 : 300;
        return s;
    }

public:
    // The keys as they reach the window; the endings of a hold are table rows.
    void key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(window->windowHandle(), &event);
    }
    void pressShortcut() { key(QEvent::KeyPress, Qt::Key_V, kHeld); }
    // The release, and the moment after it in which a repeat's press would still keep the hold.
    void releaseShortcut() {
        key(QEvent::KeyRelease, Qt::Key_V, kHeld);
        QTest::qWait(VoiceHoldGesture::kRepeatGraceMs + 60);
    }

protected:
    // A point of the image, in the window.
    QPoint at(Point source) const {
        CanvasView& canvas = window->canvas();
        return canvas.viewport()->mapTo(window, canvas.screen(source).toPoint());
    }

    NoteRow* row(const std::optional<Id>& noteID) const { return window->rowFor(noteID); }
    QPlainTextEdit* textOf(const std::optional<Id>& noteID) const {
        return row(noteID) ? row(noteID)->findChild<QPlainTextEdit*>() : nullptr;
    }
    void setGeneral(const QString& text) {
        window->document().change(QStringLiteral("Typing"),
                                  [&](CaptureNote& note) { note.general = text; });
    }
    const CaptureNote& note() const { return window->document().note(); }

    // Waits until the held session listens, then has the recogniser say `words` as final.
    ::testing::AssertionResult say(const QString& words) {
        const auto session = hold->heldSession();
        if (!session)
            return ::testing::AssertionFailure() << "no held session";
        if (!test::processEventsUntil(
                [&] { return session->message() == u"Listening" && speech.load(); }, 5000))
            return ::testing::AssertionFailure() << session->message().toStdString();
        speech.load()->say(VoiceTranscript{words, words, 0, true, std::nullopt});
        if (!test::processEventsUntil(
                [&] { return note().body(session->noteID())->contains(words.trimmed()); }, 3000))
            return ::testing::AssertionFailure() << note().body(session->noteID())->toStdString();
        return ::testing::AssertionSuccess();
    }

    bool settled(const std::shared_ptr<VoiceSession>& session) {
        return test::processEventsUntil(
            [&] { return session->phase() == VoiceSession::Phase::Done; }, 10000);
    }

    const VoiceRecording* recordingOf(const VoiceSession& session) const {
        if (note().recordings)
            for (const VoiceRecording& r : *note().recordings)
                if (r.id == session.id())
                    return &r;
        return nullptr;
    }

    test::TemporaryFolder folder;
    QSettings settings{folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat};
    ClipboardWatch clipboard;
    EditorWindow* window = nullptr;
    EditorVoiceHold* hold = nullptr;
    QLabel* hint = nullptr;
    QLabel* status = nullptr;
    VoiceHoldGesture gesture{
        [] { return CaptureShortcut::fromKeysText(QStringLiteral("ctrl+alt+v")); }};
    std::atomic<test::ScriptedSpeech*> speech{nullptr};
    bool speechHangs = false;
};

// How a hold in a note text ends, and what the note keeps.
struct EndingRow {
    const char* name;
    std::function<void(VoiceHoldTargetTest&)> end;
    bool kept;
};

class HoldInANote : public VoiceHoldTargetTest, public ::testing::WithParamInterface<EndingRow> {};

TEST_P(HoldInANote, DictatesAtTheTextsSelectionUntilTheHoldEnds) {
    setGeneral(QStringLiteral("Button misaligned"));
    QPlainTextEdit* text = textOf(std::nullopt);
    ASSERT_TRUE(text);
    text->setFocus();
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(6);
    text->setTextCursor(cursor);
    const int steps = window->document().undoStack().count();

    pressShortcut();
    ASSERT_TRUE(gesture.isHolding());
    EXPECT_EQ(hint->text(), VoiceHoldGesture::kDictatingHint);
    EXPECT_TRUE(hint->isVisible());
    const auto session = hold->heldSession();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->noteID(), std::nullopt);
    ASSERT_TRUE(say(QStringLiteral("is far")));
    EXPECT_EQ(note().general, "Button is far misaligned");

    GetParam().end(*this);
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_TRUE(hint->isHidden());
    EXPECT_FALSE(hold->heldSession());
    ASSERT_TRUE(settled(session));
    if (GetParam().kept) {
        EXPECT_EQ(session->message(), "Transcript ready");
        EXPECT_EQ(note().general, "Button is far misaligned");
        const VoiceRecording* recording = recordingOf(*session);
        ASSERT_TRUE(recording);
        EXPECT_EQ(recording->noteID, std::nullopt);
        EXPECT_TRUE(recording->audioSHA256);
        EXPECT_FALSE(recording->issue);
    } else {
        EXPECT_EQ(note().general, "Button misaligned");
        EXPECT_FALSE(note().recordings);
        EXPECT_EQ(window->document().undoStack().undoText(), "Discard Voice Note");
    }
    EXPECT_GT(window->document().undoStack().count(), steps);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, HoldInANote,
    ::testing::Values(EndingRow{"KeyUp", [](VoiceHoldTargetTest& t) { t.releaseShortcut(); }, true},
                      EndingRow{"ModifierDropped",
                                [](VoiceHoldTargetTest& t) {
                                    t.key(QEvent::KeyRelease, Qt::Key_Control, Qt::AltModifier);
                                },
                                true},
                      EndingRow{"Escape",
                                [](VoiceHoldTargetTest& t) {
                                    t.key(QEvent::KeyPress, Qt::Key_Escape, kHeld);
                                    t.releaseShortcut();
                                },
                                false}),
    [](const auto& info) { return std::string(info.param.name); });

// How the location is placed on the canvas, and the mark it leaves.
struct PlacingRow {
    const char* name;
    Point from;
    Point to;
    Rect expected;
};

class HoldOnTheCanvas : public VoiceHoldTargetTest,
                        public ::testing::WithParamInterface<PlacingRow> {};

TEST_P(HoldOnTheCanvas, PlacesAVoiceLocationWhoseNoteTakesTheDictation) {
    window->canvas().setFocus();
    pressShortcut();
    ASSERT_TRUE(gesture.isHolding());
    EXPECT_EQ(hint->text(), VoiceHoldGesture::kChoosingLocationHint);
    EXPECT_TRUE(window->canvas().isChoosingVoiceLocation());
    EXPECT_FALSE(hold->heldSession());

    const PlacingRow& place = GetParam();
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, at(place.from));
    QTest::mouseMove(window->windowHandle(),
                     at({(place.from.x + place.to.x) / 2, (place.from.y + place.to.y) / 2}));
    QTest::mouseMove(window->windowHandle(), at(place.to));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, at(place.to));
    EXPECT_TRUE(gesture.isHolding());
    EXPECT_EQ(hint->text(), VoiceHoldGesture::kDictatingHint);
    EXPECT_FALSE(window->canvas().isChoosingVoiceLocation());

    ASSERT_EQ(note().marks.size(), 1u);
    const Mark mark = note().marks.front();
    EXPECT_EQ(mark.kind, MarkKind::Pointer);
    EXPECT_NEAR(mark.rect().x, place.expected.x, 1.5);
    EXPECT_NEAR(mark.rect().y, place.expected.y, 1.5);
    EXPECT_NEAR(mark.rect().width, place.expected.width, 1.5);
    EXPECT_NEAR(mark.rect().height, place.expected.height, 1.5);
    ASSERT_EQ(note().notes.size(), 1u);
    const LinkedNote location = note().notes.front();
    EXPECT_EQ(location.markID, mark.id);
    const auto session = hold->heldSession();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->noteID(), location.id);
    ASSERT_TRUE(say(QStringLiteral("make this blue")));
    // The row the words go into is in view.
    ASSERT_TRUE(row(location.id));
    EXPECT_TRUE(test::processEventsUntil(
        [&] { return !row(location.id)->visibleRegion().isEmpty(); }, 2000));

    releaseShortcut();
    EXPECT_FALSE(gesture.isHolding());
    ASSERT_TRUE(settled(session));
    EXPECT_EQ(note().body(location.id), "make this blue");
    const VoiceRecording* recording = recordingOf(*session);
    ASSERT_TRUE(recording);
    EXPECT_EQ(recording->noteID, location.id);
    EXPECT_TRUE(recording->audioSHA256);
    // The saved package holds the location, its words and the audio.
    bool saved = false;
    window->document().saveCheckpoint([&](const auto&...) { saved = true; });
    ASSERT_TRUE(test::processEventsUntil([&] { return saved; }, 5000));
    const auto package = readNotePackage(window->document().filePath());
    EXPECT_EQ(package.note.body(location.id), "make this blue");
    EXPECT_TRUE(package.audio.contains(recording->id));
}

INSTANTIATE_TEST_SUITE_P(
    Places, HoldOnTheCanvas,
    ::testing::Values(PlacingRow{"Click", {120, 80}, {120, 80}, {120, 80, 0, 0}},
                      PlacingRow{"Drag", {60, 50}, {260, 170}, {60, 50, 200, 120}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceHoldTargetTest, EscapeAfterPlacingALocationTakesItBack) {
    window->canvas().setFocus();
    pressShortcut();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at({100, 100}));
    const auto session = hold->heldSession();
    ASSERT_TRUE(session);
    ASSERT_TRUE(say(QStringLiteral("remove this")));
    key(QEvent::KeyPress, Qt::Key_Escape, kHeld);
    EXPECT_FALSE(gesture.isHolding());
    ASSERT_TRUE(settled(session));
    EXPECT_TRUE(note().marks.empty());
    EXPECT_TRUE(note().notes.empty());
    EXPECT_FALSE(note().recordings);
}

TEST_F(VoiceHoldTargetTest, ReleasingBeforeAnyClickKeepsNothing) {
    window->canvas().setFocus();
    const int steps = window->document().undoStack().count();
    pressShortcut();
    ASSERT_TRUE(window->canvas().isChoosingVoiceLocation());
    releaseShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_TRUE(hint->isHidden());
    EXPECT_FALSE(window->canvas().isChoosingVoiceLocation());
    EXPECT_EQ(window->canvas().tool(), CanvasTool::Select);
    // A click after the hold is an ordinary click again.
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at({100, 100}));
    EXPECT_TRUE(note().marks.empty());
    EXPECT_TRUE(note().notes.empty());
    EXPECT_FALSE(note().recordings);
    EXPECT_EQ(window->document().undoStack().count(), steps);
    EXPECT_TRUE(VoiceSession::sessions().empty());
}

TEST_F(VoiceHoldTargetTest, AClickOnARedactionIsRefusedAndAnotherPlaceMayBeChosen) {
    Mark mask = makeMark(MarkKind::Redact, {40, 40}, {160, 120});
    mask.mediaID = note().media.front().id;
    window->document().change(QStringLiteral("Add Redact"),
                              [&](CaptureNote& n) { n.marks.push_back(mask); });
    window->canvas().setFocus();
    pressShortcut();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at({100, 80}));
    EXPECT_EQ(status->text(), "Choose a location beside the redaction to add a voice note.");
    EXPECT_TRUE(gesture.isHolding());
    EXPECT_EQ(hint->text(), VoiceHoldGesture::kChoosingLocationHint);
    EXPECT_TRUE(window->canvas().isChoosingVoiceLocation());
    EXPECT_EQ(note().marks.size(), 1u);
    EXPECT_TRUE(note().notes.empty());
    EXPECT_FALSE(hold->heldSession());

    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at({300, 200}));
    EXPECT_EQ(hint->text(), VoiceHoldGesture::kDictatingHint);
    ASSERT_TRUE(hold->heldSession());
    EXPECT_EQ(note().marks.size(), 2u);
    releaseShortcut();
    EXPECT_TRUE(settled(hold->voice().sessionFor(note().notes.front().id)));
}

// A voice note that ends on its own while the shortcut is still held (here stopped from outside,
// as an unplugged microphone would) takes the hold's hint with it and keeps its words.
TEST_F(VoiceHoldTargetTest, ASessionEndingDuringTheHoldTakesItsHintAway) {
    QPlainTextEdit* text = textOf(std::nullopt);
    ASSERT_TRUE(text);
    text->setFocus();
    pressShortcut();
    const auto session = hold->heldSession();
    ASSERT_TRUE(session);
    ASSERT_TRUE(say(QStringLiteral("ends early")));
    ASSERT_TRUE(hint->isVisible());

    session->stop();
    ASSERT_TRUE(settled(session));
    EXPECT_TRUE(hint->isHidden()) << hint->text().toStdString();
    EXPECT_FALSE(hold->heldSession());

    releaseShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(note().general, "ends early");
    EXPECT_TRUE(recordingOf(*session));
}

TEST_F(VoiceHoldTargetTest, ASecondHoldWhileAVoiceNoteRunsIsRefused) {
    // A voice note started with the general note's microphone button.
    auto* microphone = row(std::nullopt)->findChild<QToolButton*>(QStringLiteral("Microphone"));
    ASSERT_TRUE(microphone);
    QTest::mouseClick(microphone, Qt::LeftButton);
    const auto running = hold->voice().sessionFor(std::nullopt);
    ASSERT_TRUE(running && running->canStop());

    for (QWidget* focus :
         {static_cast<QWidget*>(textOf(std::nullopt)), static_cast<QWidget*>(&window->canvas())}) {
        focus->setFocus();
        pressShortcut();
        EXPECT_FALSE(gesture.isHolding());
        EXPECT_EQ(status->text(), "Stop the other voice note first.");
        EXPECT_FALSE(window->canvas().isChoosingVoiceLocation());
        releaseShortcut();
    }
    EXPECT_EQ(VoiceSession::sessions().size(), 1u);
    EXPECT_TRUE(running->canStop());
}

TEST_F(VoiceHoldTargetTest, AHoldIntoATextStillFinishingIsRefusedWithItsReason) {
    speechHangs = true;
    textOf(std::nullopt)->setFocus();
    pressShortcut();
    const auto first = hold->heldSession();
    ASSERT_TRUE(first);
    ASSERT_TRUE(say(QStringLiteral("first words")));
    releaseShortcut();
    ASSERT_EQ(first->phase(), VoiceSession::Phase::Finishing);

    textOf(std::nullopt)->setFocus();
    pressShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(status->text(), "This transcript is finishing. You can dictate into another note.");
    releaseShortcut();
    ASSERT_TRUE(settled(first));
    EXPECT_EQ(note().general, "first words");
}

} // namespace
} // namespace lumbex
