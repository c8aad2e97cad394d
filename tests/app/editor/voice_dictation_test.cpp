// Dictation as a person has it in a note window: the microphone button of the general note, the
// words of the packaged speech heard through a private PulseAudio server's microphone, the
// status line, and the note saved with its audio once the button stops it.
#include "app/commands/command_registry.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "model/app_folders.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "support/event_waiting.h"
#include "support/pulse_server.h"
#include "support/temporary_folder.h"
#include "voice/voice_session.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QString kSpeech = QStringLiteral("/usr/share/pocketsphinx/test/data/goforward.raw");

TEST(VoiceDictation, TheMicrophoneButtonWritesSpokenWordsIntoTheNote) {
    test::PulseServer server;
    if (!server.missing().isEmpty())
        GTEST_SKIP() << server.missing().toStdString();
    ASSERT_TRUE(server.running());
    test::TemporaryFolder folder;
    QSettings settings(folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ClipboardWatch clipboard;
    QImage image(480, 300, QImage::Format_RGB32);
    image.fill(QColor(230, 234, 240));
    const QString shot = folder.path(QStringLiteral("shot.png"));
    image.save(shot);
    auto document = NoteDocument::fromImageData(test::fileBytes(shot), QStringLiteral("Shot"),
                                                folder.path(QStringLiteral("Notes")));
    auto* window = new EditorWindow(std::move(document), settings, clipboard);
    window->resize(1100, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    QWidget* row = window->findChild<QWidget*>(QStringLiteral("note.general"));
    ASSERT_TRUE(row);
    auto* microphone = row->findChild<QToolButton*>(QStringLiteral("Microphone"));
    auto* text = row->findChild<QPlainTextEdit*>();
    auto* status = row->findChild<QLabel*>(QStringLiteral("Voice status"));
    ASSERT_TRUE(microphone && text && status);
    ASSERT_TRUE(microphone->isEnabled());

    QTest::mouseClick(microphone, Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return status->text().startsWith(QStringLiteral("Listening")); }, 20000))
        << status->text().toStdString();
    EXPECT_TRUE(microphone->isChecked());
    // The review PDF waits for the voice note: no save panel, the reason in the status line.
    window->commands().action(QStringLiteral("editor.exportReviewPdf"))->trigger();
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Status line"))->text(),
              "Finish the voice notes before exporting the mobile review.");
    EXPECT_FALSE(QApplication::activeModalWidget());
    QProcess player;
    player.setStandardInputFile(kSpeech);
    player.start(QStringLiteral("pacat"),
                 {QStringLiteral("--playback"), QStringLiteral("--raw"),
                  QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                  QStringLiteral("--channels=1"), QStringLiteral("--device=v")});
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return text->toPlainText().contains(QStringLiteral("forward")); }, 20000))
        << text->toPlainText().toStdString();
    test::processEventsFor(1500);
    if (auto* scroll = window->findChild<QScrollArea*>(QStringLiteral("Inspector scroll")))
        scroll->ensureWidgetVisible(row);
    test::processEventsFor(200);
    window->grab().save(QDir::temp().filePath(QStringLiteral("lumbex-voice-dictation.png")));

    // On a machine too busy for the recogniser the note ends by itself, its audio kept.
    const QString fellBehind =
        QStringLiteral("Transcription could not keep up. Your recorded audio has been kept.");
    if (microphone->isChecked())
        QTest::mouseClick(microphone, Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return status->text() == u"Transcript ready" || status->text() == fellBehind; },
        20000))
        << status->text().toStdString();
    EXPECT_FALSE(microphone->isChecked());
    EXPECT_TRUE(VoiceSession::sessions().empty());
    const CaptureNote& note = window->document().note();
    EXPECT_EQ(note.general, text->toPlainText());
    ASSERT_TRUE(note.recordings);
    ASSERT_EQ(note.recordings->size(), 1u);
    const VoiceRecording& recording = note.recordings->front();
    EXPECT_TRUE(recording.transcript.contains(QStringLiteral("forward")));
    ASSERT_TRUE(recording.audioSHA256);
    const auto saved = readNotePackage(window->document().filePath());
    EXPECT_EQ(saved.note.recordings->front().audioSHA256, recording.audioSHA256);
    EXPECT_TRUE(saved.audio.contains(recording.id));

    // The voice options of the row: the recording's audio goes, then the recording; the text
    // stays.
    auto* options = row->findChild<QToolButton*>(QStringLiteral("Voice options"));
    ASSERT_TRUE(options && options->menu());
    const auto item = [&](const QString& name) -> QAction* {
        emit options->menu()->aboutToShow();
        for (QAction* action : options->menu()->actions())
            if (action->text() == name)
                return action;
        return nullptr;
    };
    ASSERT_TRUE(item(QStringLiteral("Original Transcript…")));
    // The language menu: Korean has no recogniser here, English is the language and is stored.
    QMenu* language = item(QStringLiteral("Language"))->menu();
    ASSERT_TRUE(language);
    ASSERT_EQ(language->actions().size(), 2);
    EXPECT_EQ(language->actions()[0]->text(), "Korean · Unavailable");
    EXPECT_FALSE(language->actions()[0]->isEnabled());
    EXPECT_EQ(language->actions()[1]->text(), "English");
    EXPECT_TRUE(language->actions()[1]->isChecked());
    language->actions()[1]->trigger();
    EXPECT_EQ(openSettings()->value(QStringLiteral("voiceLocale")).toString(), "en-US");
    // The microphone menu: the system default first and checked, then the server's microphones.
    const auto microphoneMenu = [&]() -> QMenu* {
        QAction* entry = item(QStringLiteral("Microphone"));
        return entry ? entry->menu() : nullptr;
    };
    ASSERT_TRUE(microphoneMenu());
    EXPECT_TRUE(microphoneMenu()->isEnabled());
    QList<QAction*> microphones = microphoneMenu()->actions();
    ASSERT_GE(microphones.size(), 3);
    EXPECT_TRUE(microphones[0]->text().startsWith(QStringLiteral("System Default — ")));
    EXPECT_TRUE(microphones[0]->isChecked());
    EXPECT_TRUE(microphones[1]->isSeparator());
    const QString chosen = microphones[2]->text();
    microphones[2]->trigger();
    microphones = microphoneMenu()->actions();
    EXPECT_FALSE(microphones[0]->isChecked());
    EXPECT_EQ(microphones[2]->text(), chosen);
    EXPECT_TRUE(microphones[2]->isChecked());
    microphones[0]->trigger();
    ASSERT_TRUE(item(QStringLiteral("Import Audio…")));

    // Play Recording: the stored audio reaches the server's speakers (the null sink, heard at its
    // monitor) until it ends; Stop Playing ends it at once.
    player.waitForFinished(10000);
    QProcess monitor;
    monitor.start(QStringLiteral("parec"),
                  {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                   QStringLiteral("--rate=16000"), QStringLiteral("--channels=1"),
                   QStringLiteral("--device=v.monitor")});
    ASSERT_TRUE(monitor.waitForStarted(5000));
    test::processEventsFor(300);
    monitor.readAllStandardOutput();
    item(QStringLiteral("Play Recording"))->trigger();
    EXPECT_TRUE(item(QStringLiteral("Stop Playing")));
    ASSERT_TRUE(
        test::processEventsUntil([&] { return item(QStringLiteral("Play Recording")); }, 20000));
    const QByteArray heard = monitor.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const qint16*>(heard.constData());
    double loudest = 0;
    for (qsizetype i = 0; i < heard.size() / 2; ++i)
        loudest = std::max(loudest, std::abs(double(samples[i])) / 32768.0);
    EXPECT_GT(heard.size() / 2, 16000 * 2) << "at least two seconds heard";
    EXPECT_GT(loudest, 0.05) << "the recorded speech, not silence";
    item(QStringLiteral("Play Recording"))->trigger();
    test::processEventsFor(300);
    item(QStringLiteral("Stop Playing"))->trigger();
    test::processEventsFor(300);
    monitor.readAllStandardOutput();
    test::processEventsFor(500);
    const QByteArray afterStop = monitor.readAllStandardOutput();
    const auto* quiet = reinterpret_cast<const qint16*>(afterStop.constData());
    for (qsizetype i = 0; i < afterStop.size() / 2; ++i)
        ASSERT_EQ(quiet[i], 0) << "sound after Stop Playing, at sample " << i;
    EXPECT_TRUE(item(QStringLiteral("Play Recording")));
    monitor.kill();
    monitor.waitForFinished();

    // Transcribe Again… puts a new transcript of the stored audio at the cursor (here the start
    // of the text), as a second recording.
    const QString firstText = text->toPlainText() + QStringLiteral(" Done.");
    window->document().change(QStringLiteral("Typing"),
                              [&](CaptureNote& n) { n.setBody(firstText, std::nullopt); });
    ASSERT_EQ(text->toPlainText(), firstText);
    text->moveCursor(QTextCursor::Start);
    QTimer::singleShot(200, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            for (QAbstractButton* button : box->buttons())
                if (button->text() == u"Transcribe Again")
                    button->click();
    });
    item(QStringLiteral("Transcribe Again…"))->trigger();
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            return window->document().note().recordings->size() == 2 &&
                   status->text() == u"Transcript ready";
        },
        30000))
        << status->text().toStdString();
    EXPECT_TRUE(text->toPlainText().endsWith(QStringLiteral(" ") + firstText))
        << text->toPlainText().toStdString();
    EXPECT_GT(text->toPlainText().count(QStringLiteral("forward")), 1)
        << text->toPlainText().toStdString();
    EXPECT_TRUE(window->document().note().recordings->back().audioSHA256);
    EXPECT_TRUE(QDir::temp().entryList({QStringLiteral("Lumbex-Transcribe-*")}).isEmpty());

    // Without a sound server, playing is refused in the status line.
    server.stop();
    item(QStringLiteral("Play Recording"))->trigger();
    const auto* statusLine = window->findChild<QLabel*>(QStringLiteral("Status line"));
    EXPECT_TRUE(test::processEventsUntil(
        [&] {
            return statusLine->text().startsWith(
                QStringLiteral("The recording’s sound cannot be played"));
        },
        5000))
        << statusLine->text().toStdString();
    item(QStringLiteral("Remove Recording, Keep Text"));
    for (QAction* action : options->menu()->actions())
        if (action->text() == u"Remove Recording, Keep Text") {
            action->trigger();
            break;
        }
    ASSERT_EQ(window->document().note().recordings->size(), 1u);
    QAction* removeAudio = item(QStringLiteral("Remove Audio, Keep Text"));
    ASSERT_TRUE(removeAudio && removeAudio->isEnabled());
    const QString dictated = text->toPlainText();
    removeAudio->trigger();
    EXPECT_FALSE(window->document().note().recordings->front().audioSHA256);
    EXPECT_EQ(window->document().undoStack().undoText(), "Remove Voice Audio");
    EXPECT_FALSE(item(QStringLiteral("Remove Audio, Keep Text"))->isEnabled());
    item(QStringLiteral("Remove Recording, Keep Text"))->trigger();
    EXPECT_FALSE(window->document().note().recordings);
    EXPECT_EQ(window->document().note().general, dictated);

    window->close();
    delete window;
    player.kill();
    player.waitForFinished();
}

QStringList titles(const QMenu* menu) {
    QStringList out;
    for (const QAction* action : menu->actions())
        out << action->text();
    return out;
}

TEST(VoiceDictation, AMicrophoneThatGoesAwayEndsTheNoteAndKeepsItsAudio) {
    test::PulseServer server;
    if (!server.missing().isEmpty())
        GTEST_SKIP() << server.missing().toStdString();
    ASSERT_TRUE(server.running());
    // A second microphone that hears what the null sink plays.
    QString usbModule;
    ASSERT_TRUE(server.pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
                              QStringLiteral("source_name=usb"), QStringLiteral("master=v.monitor"),
                              QStringLiteral("source_properties=device.description=USB")},
                             &usbModule));
    test::TemporaryFolder folder;
    QSettings settings(folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ClipboardWatch clipboard;
    QImage image(480, 300, QImage::Format_RGB32);
    image.fill(QColor(230, 234, 240));
    const QString shot = folder.path(QStringLiteral("shot.png"));
    image.save(shot);
    auto* window =
        new EditorWindow(NoteDocument::fromImageData(test::fileBytes(shot), QStringLiteral("Shot"),
                                                     folder.path(QStringLiteral("Notes"))),
                         settings, clipboard);
    window->resize(1100, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* row = window->findChild<QWidget*>(QStringLiteral("note.general"));
    ASSERT_TRUE(row);
    auto* microphone = row->findChild<QToolButton*>(QStringLiteral("Microphone"));
    auto* status = row->findChild<QLabel*>(QStringLiteral("Voice status"));
    auto* options = row->findChild<QToolButton*>(QStringLiteral("Voice options"));
    ASSERT_TRUE(microphone && status && options && options->menu());
    emit options->menu()->aboutToShow();
    QMenu* choices = nullptr;
    for (QAction* action : options->menu()->actions())
        if (action->text() == u"Microphone")
            choices = action->menu();
    ASSERT_TRUE(choices);
    ASSERT_TRUE(titles(choices).contains(QStringLiteral("USB")))
        << titles(choices).join(u'|').toStdString();

    // The open menu follows microphones plugged in and out.
    QString deskModule;
    ASSERT_TRUE(
        server.pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
                      QStringLiteral("source_name=desk"), QStringLiteral("master=v.monitor"),
                      QStringLiteral("source_properties=device.description=Desk")},
                     &deskModule));
    EXPECT_TRUE(test::processEventsUntil(
        [&] { return titles(choices).contains(QStringLiteral("Desk")); }, 5000))
        << titles(choices).join(u'|').toStdString();
    ASSERT_TRUE(server.pactl({QStringLiteral("unload-module"), deskModule}));
    EXPECT_TRUE(test::processEventsUntil(
        [&] { return !titles(choices).contains(QStringLiteral("Desk")); }, 5000))
        << titles(choices).join(u'|').toStdString();
    for (QAction* action : choices->actions())
        if (action->text() == u"USB")
            action->trigger();
    EXPECT_EQ(
        openSettings()->value(QStringLiteral("voiceMicrophone")).toMap().value("id").toString(),
        "usb");

    QTest::mouseClick(microphone, Qt::LeftButton);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return status->text().startsWith(QStringLiteral("Listening")); }, 20000))
        << status->text().toStdString();
    ASSERT_TRUE(VoiceSession::current());
    EXPECT_EQ(VoiceSession::current()->microphone()->id, "usb");
    // While the session is live the menu says why it cannot change.
    EXPECT_TRUE(test::processEventsUntil([&] { return !choices->isEnabled(); }, 3000));
    EXPECT_TRUE(choices->menuAction()->toolTip().endsWith(
        QStringLiteral("Stop recording to change microphones")));
    // Silence is recorded too, and keeps the recogniser idle on a busy machine.
    test::processEventsFor(1500);

    // The microphone is unplugged mid-sentence.
    ASSERT_TRUE(server.pactl({QStringLiteral("unload-module"), usbModule}));
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            return status->text() == u"Microphone disconnected. Recorded audio has been kept. "
                                     u"Choose another microphone to continue.";
        },
        20000))
        << status->text().toStdString();
    EXPECT_FALSE(microphone->isChecked());
    EXPECT_TRUE(VoiceSession::sessions().empty());
    const CaptureNote& note = window->document().note();
    ASSERT_TRUE(note.recordings);
    ASSERT_EQ(note.recordings->size(), 1u);
    EXPECT_GT(note.recordings->front().duration, 0.5);
    EXPECT_TRUE(note.recordings->front().audioSHA256);
    EXPECT_EQ(note.recordings->front().issue,
              "Microphone disconnected. Recorded audio has been kept. Choose another microphone "
              "to continue.");
    EXPECT_TRUE(window->document().contents().audio.contains(note.recordings->front().id));

    // The choice is kept and shown as unavailable, in the menu that stayed open.
    EXPECT_TRUE(test::processEventsUntil(
        [&] { return titles(choices).contains(QStringLiteral("USB · Unavailable")); }, 5000))
        << titles(choices).join(u'|').toStdString();
    EXPECT_TRUE(choices->isEnabled());
    for (QAction* action : choices->actions())
        if (action->text() == u"USB · Unavailable") {
            EXPECT_TRUE(action->isChecked());
            EXPECT_FALSE(action->isEnabled());
        }
    openSettings()->remove(QStringLiteral("voiceMicrophone"));
    window->close();
    delete window;
}

} // namespace
} // namespace lumbex
