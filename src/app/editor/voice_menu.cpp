#include "app/editor/voice_menu.h"

#include "app/editor/editor_context.h"
#include "app/editor/voice_controller.h"
#include "app/voice_note_services.h"
#include "core/files.h"
#include "platform/file_reveal.h"
#include "voice/voice_events.h"
#include "voice/voice_playback.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <cmath>

namespace lumbex {
namespace {

// Why a recording's items are refused now, or none.
std::optional<QString> busyRefusal(const VoiceController& voice, const std::optional<Id>& noteID,
                                   const Id& recordingID) {
    const auto session = voice.sessionFor(noteID);
    if (!session || !session->isBusy())
        return std::nullopt;
    if (session->id() == recordingID && !session->canStop())
        return QStringLiteral("This recording is still finishing.");
    return QStringLiteral("Finish the current voice note before using its recordings.");
}

void showTranscript(QWidget& window, const QString& transcript) {
    QMessageBox box(&window);
    box.setWindowTitle(QStringLiteral("Original Transcript"));
    box.setText(transcript);
    box.setInformativeText(QStringLiteral("Your edited note is kept separately."));
    box.addButton(QStringLiteral("Done"), QMessageBox::AcceptRole);
    box.exec();
}

bool confirmTranscribeAgain(QWidget& window) {
    QMessageBox box(&window);
    box.setIcon(QMessageBox::Question);
    box.setText(QStringLiteral("Transcribe again?"));
    box.setInformativeText(QStringLiteral("A new transcript will be appended at the cursor. Your "
                                          "edited text and the original recording will be "
                                          "kept."));
    QPushButton* again = box.addButton(QStringLiteral("Transcribe Again"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == again;
}

// Transcribes the stored audio of a recording as an imported file into the same text; the copy
// of the audio in the temporary folder goes when that session ends.
void transcribeAgain(VoiceController& voice, const std::optional<Id>& noteID, const Id& id,
                     const std::function<TextRange()>& selection) {
    EditorContext& context = voice.context();
    const auto audio = context.document().contents().audio.find(id);
    if (audio == context.document().contents().audio.end())
        return;
    if (!confirmTranscribeAgain(context.window()))
        return;
    const QString copy = QDir::temp().filePath(QStringLiteral("Lumbex-Transcribe-") +
                                               idString(newId()) + QStringLiteral(".caf"));
    try {
        writeNewFileDurably(copy, audio->second);
    } catch (const LumbexError& error) {
        return context.setStatus(error.message());
    }
    voice.toggle(noteID, selection(), false, copy);
    const auto session = voice.sessionFor(noteID);
    if (!session || !session->isBusy()) {
        QFile::remove(copy);
        return;
    }
    session->onFinish = [previous = session->onFinish, copy] {
        QFile::remove(copy);
        if (previous)
            previous();
    };
}

// Plays the stored audio of a recording, or stops it when it plays.
void togglePlaying(VoiceController& voice, const Id& id) {
    VoicePlayback& playback = voice.playback();
    if (playback.playing() == id)
        return playback.stop();
    EditorContext& context = voice.context();
    const auto audio = context.document().contents().audio.find(id);
    if (audio == context.document().contents().audio.end())
        return;
    const QString copy = QDir::temp().filePath(QStringLiteral("Lumbex-Play-") + idString(newId()) +
                                               QStringLiteral(".caf"));
    try {
        writeNewFileDurably(copy, audio->second);
    } catch (const LumbexError& error) {
        return context.setStatus(error.message());
    }
    playback.play(id, copy, true);
}

void addRecordingItems(QMenu& menu, VoiceController& voice, EditorContext& context,
                       const std::optional<Id>& noteID, const VoiceRecording& recording,
                       const std::function<TextRange()>& selection) {
    const Id id = recording.id;
    menu.addSection(QStringLiteral("Recording · ") + voiceDurationText(recording.duration));
    const auto guarded = [&voice, &context, noteID, id](std::function<void()> action) {
        return [&voice, &context, noteID, id, action] {
            if (const auto refusal = busyRefusal(voice, noteID, id))
                return context.setStatus(*refusal);
            action();
        };
    };
    const bool playing = voice.playback().playing() == id;
    QAction* play =
        menu.addAction(playing ? QStringLiteral("Stop Playing") : QStringLiteral("Play Recording"),
                       guarded([&voice, id] { togglePlaying(voice, id); }));
    play->setEnabled(playing || (recording.audioSHA256.has_value() &&
                                 context.document().contents().audio.contains(id)));
    menu.addAction(QStringLiteral("Original Transcript…"),
                   guarded([&context, transcript = recording.transcript] {
                       showTranscript(context.window(), transcript);
                   }));
    QAction* again = menu.addAction(QStringLiteral("Transcribe Again…"),
                                    guarded([&voice, noteID, id, selection] {
                                        transcribeAgain(voice, noteID, id, selection);
                                    }));
    again->setEnabled(recording.audioSHA256.has_value());
    QAction* removeAudio = menu.addAction(
        QStringLiteral("Remove Audio, Keep Text"), guarded([&context, id] {
            context.change(QStringLiteral("Remove Voice Audio"), [&](CaptureNote& n) {
                for (VoiceRecording& r : *n.recordings)
                    if (r.id == id)
                        r.audioSHA256.reset();
            });
        }));
    removeAudio->setEnabled(recording.audioSHA256.has_value());
    menu.addAction(
        QStringLiteral("Remove Recording, Keep Text"), guarded([&context, id] {
            context.change(QStringLiteral("Remove Voice Recording"), [&](CaptureNote& n) {
                std::erase_if(*n.recordings, [&](const auto& r) { return r.id == id; });
                if (n.recordings->empty())
                    n.recordings.reset();
            });
        }));
    const VoiceRecoveryDraft draft(context.note().id, id, voiceDraftsRoot());
    QAction* recovery = menu.addAction(QStringLiteral("Show Recovery Files"),
                                       [folder = draft.directory()] { revealFiles({folder}); });
    recovery->setEnabled(draft.exists());
}

void fillMicrophones(QMenu* choices, VoiceController& voice) {
    choices->clear();
    Microphones& microphones = voice.microphones();
    const bool live = VoiceSession::current() != nullptr;
    choices->setEnabled(!live);
    const std::optional<Microphone> chosen = microphones.selection();
    const std::optional<Microphone> fallback = microphones.systemDefault();
    QAction* system =
        choices->addAction(QStringLiteral("System Default — ") +
                               (fallback ? fallback->name : QStringLiteral("No microphone")),
                           [&microphones] { microphones.setSelection(std::nullopt); });
    system->setCheckable(true);
    system->setChecked(!chosen);
    choices->addSeparator();
    bool chosenAvailable = false;
    for (const Microphone& microphone : microphones.available()) {
        QAction* item = choices->addAction(
            microphone.name, [&microphones, microphone] { microphones.setSelection(microphone); });
        item->setCheckable(true);
        item->setChecked(chosen && chosen->id == microphone.id);
        chosenAvailable = chosenAvailable || item->isChecked();
    }
    if (chosen && !chosenAvailable) {
        QAction* gone = choices->addAction(chosen->name + QStringLiteral(" · Unavailable"));
        gone->setCheckable(true);
        gone->setChecked(true);
        gone->setEnabled(false);
    }
    const std::optional<Microphone> current = microphones.current();
    QString tip = current ? current->name : QStringLiteral("No microphone");
    if (!chosen && current)
        tip += QStringLiteral(" (System Default)");
    tip += u'\n';
    tip += live ? QStringLiteral("Stop recording to change microphones")
                : QStringLiteral("Microphone for Lumbex only");
    choices->setToolTipsVisible(true);
    choices->menuAction()->setToolTip(tip);
}

void addMicrophoneMenu(QMenu& menu, VoiceController& voice) {
    QMenu* choices = menu.addMenu(QStringLiteral("Microphone"));
    fillMicrophones(choices, voice);
    // Microphones plugged in or out, and sessions starting or stopping, show while it is open.
    QObject::connect(&VoiceEvents::shared(), &VoiceEvents::microphoneChanged, choices,
                     [choices, &voice] { fillMicrophones(choices, voice); });
}

} // namespace

QString voiceDurationText(double seconds) {
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? qint64(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

void fillVoiceMenu(QMenu& menu, VoiceController& voice, const std::optional<Id>& noteID,
                   std::function<TextRange()> selection) {
    EditorContext& context = voice.context();
    QAction* import = menu.addAction(QStringLiteral("Import Audio…"), [&voice, &context, noteID,
                                                                       selection] {
        const QString file = QFileDialog::getOpenFileName(
            &context.window(),
            QStringLiteral("Add up to 5 minutes of audio to this note. Transcription runs on "
                           "this computer."),
            {}, QStringLiteral("Audio (*.wav *.caf *.flac *.ogg *.opus *.aiff *.aif);;All (*)"));
        if (!file.isEmpty())
            voice.toggle(noteID, selection(), false, file);
    });
    import->setToolTip(QStringLiteral(" · Import audio or replay a recording"));

    QMenu* language = menu.addMenu(QStringLiteral("Language"));
    QAction* korean = language->addAction(QStringLiteral("Korean · Unavailable"));
    korean->setEnabled(false);
    // Korean has no recogniser on this system, so every note dictates in English.
    QAction* english = language->addAction(QStringLiteral("English"), [&voice] {
        voice.settings().setValue(QStringLiteral("voiceLocale"), QStringLiteral("en-US"));
    });
    english->setCheckable(true);
    english->setChecked(true);

    addMicrophoneMenu(menu, voice);

    for (const VoiceRecording& recording :
         context.note().recordings.value_or(std::vector<VoiceRecording>{})) {
        if (recording.noteID == noteID)
            addRecordingItems(menu, voice, context, noteID, recording, selection);
    }

    menu.addSeparator();
    QAction* shortcut = menu.addAction(QStringLiteral("Set Voice Shortcut…"), [&voice] {
        if (voice.editShortcut)
            voice.editShortcut();
    });
    shortcut->setEnabled(bool(voice.editShortcut));
}

} // namespace lumbex
