#include "app/editor/voice_controller.h"

#include "app/editor/editor_context.h"
#include "app/recording_ui/recording_window_controller.h"
#include "app/voice_note_services.h"
#include "canvas/canvas_view.h"
#include "model/app_folders.h"
#include "model/note_edits.h"
#include "platform/audio_files.h"
#include "platform/pulse_microphone_watch.h"
#include "platform/pulse_microphones.h"
#include "voice/voice_events.h"
#include "voice/voice_playback.h"
#include "voice/voice_session.h"

#include <QWidget>

namespace lumbex {

VoiceController::VoiceController(EditorContext& context)
    : playSound(openPulseAudioOutput), context_(context) {
    services = [this] {
        VoiceServices s = systemVoiceServices(context_.note());
        s.noteIsActive = [window = &context_.window()] { return window->isActiveWindow(); };
        return s;
    };
}

VoiceController::~VoiceController() {
    for (auto& [target, session] : latest_) {
        session->onChange = nullptr;
        session->onFinish = nullptr;
    }
}

void VoiceController::dictateAt(const Mark& draft, const std::optional<Id>& existingID) {
    if (existingID) {
        const Mark* existing = context_.note().mark(*existingID);
        if (existing && existing->kind == MarkKind::Redact) {
            // A mask hides what is under it; the note belongs beside it.
            context_.setStatus(
                QStringLiteral("Choose a location beside the redaction to add a voice note."));
            return;
        }
        context_.canvas().selectAnnotation(existingID);
        context_.editNoteOf(*existingID);
    } else if (context_.change(QStringLiteral("Add Voice Location"),
                               [&](CaptureNote& note) { edits::addMark(note, draft); })) {
        context_.editNoteOf(draft.id);
    } else {
        return;
    }
    // Dictation goes to the end of the location's note.
    const Id markID = existingID.value_or(draft.id);
    for (const LinkedNote& linked : context_.note().notes) {
        if (linked.markID == markID) {
            toggle(linked.id, TextRange{-1, 0}, false);
            return;
        }
    }
}

std::shared_ptr<VoiceSession> VoiceController::sessionFor(const std::optional<Id>& noteID) const {
    const auto found = latest_.find(noteID);
    return found == latest_.end() ? nullptr : found->second;
}

void VoiceController::toggle(const std::optional<Id>& noteID, const TextRange& selection,
                             bool composing, const std::optional<QString>& file) {
    if (const auto session = sessionFor(noteID); session && session->canStop()) {
        session->stop();
        return;
    }
    // No screen recording runs inside a note window, so that refusal never applies here.
    if (const auto refusal =
            VoiceSession::startRefusal(context_.document(), noteID, false, composing)) {
        context_.setStatus(*refusal);
        return;
    }
    // Dictation is heard over nothing else this application plays.
    RecordingWindowController::pauseAll();
    if (playback_)
        playback_->stop();
    auto session = VoiceSession::make(context_.document(), noteID, selection,
                                      QStringLiteral("en-US"), services());
    session->onChange = [this] {
        if (changed)
            changed();
    };
    session->onFinish = session->onChange;
    latest_[noteID] = session;
    session->start(file);
    if (changed)
        changed();
}

QSettings& VoiceController::settings() {
    if (!settings_)
        settings_ = openSettings();
    return *settings_;
}

Microphones& VoiceController::microphones() {
    if (!microphones_) {
        microphones_ = makePulseMicrophones(settings());
        // The server's changes arrive on its own thread; menus hear of them on the GUI thread.
        microphoneWatch_ = std::make_unique<PulseMicrophoneWatch>([window = &context_.window()] {
            QMetaObject::invokeMethod(
                window, [] { emit VoiceEvents::shared().microphoneChanged(); },
                Qt::QueuedConnection);
        });
    }
    return *microphones_;
}

VoicePlayback& VoiceController::playback() {
    if (!playback_) {
        playback_ = std::make_unique<VoicePlayback>(openAudioFile, [this] { return playSound(); });
        playback_->finished = [this](const std::optional<QString>& problem) {
            if (problem)
                context_.setStatus(*problem);
        };
    }
    return *playback_;
}

void VoiceController::finishAll() {
    VoiceSession::finishAllAndWait(&context_.document());
}

} // namespace lumbex
