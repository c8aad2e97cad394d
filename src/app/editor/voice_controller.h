#pragma once

#include "platform/sound_output.h"
#include "records/mark.h"
#include "voice/text_replacement.h"
#include "voice/voice_services.h"

#include <QSettings>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace lumbex {

class EditorContext;
class PulseMicrophoneWatch;
class VoicePlayback;
class VoiceSession;

// The voice notes of one editor window: starting and stopping dictation into a note's text, the
// latest session of each text (so that its last message stays in view), and the voice locations
// the canvas asks for.
class VoiceController {
public:
    explicit VoiceController(EditorContext& context);
    ~VoiceController();

    // The end of a voice-location choice: a new location (the draft) or an existing mark.
    void dictateAt(const Mark& draft, const std::optional<Id>& existingID);

    // The row's microphone button: stops the session of that text when it can stop, else starts
    // one at `selection` (refusals go to the status line). `file` transcribes an audio file.
    void toggle(const std::optional<Id>& noteID, const TextRange& selection, bool composing,
                const std::optional<QString>& file = std::nullopt);
    // The latest session of that text, finished or not.
    std::shared_ptr<VoiceSession> sessionFor(const std::optional<Id>& noteID) const;
    // Stops this window's sessions and waits for them to be saved.
    void finishAll();
    EditorContext& context() const { return context_; }

    // After any change of a session's state.
    std::function<void()> changed;
    // "Set Voice Shortcut…": the application's dialog; the item stays disabled without it.
    std::function<void()> editShortcut;
    // The audio server's microphones and this application's choice among them.
    Microphones& microphones();
    // The application's settings ("voiceMicrophone", "voiceLocale").
    QSettings& settings();
    // The player of the recordings' stored audio; its problems go to the status line.
    VoicePlayback& playback();
    // The speakers the player plays through.
    SoundOutputOpener playSound;
    // The services of a new session; by default this system's, live only while the window is
    // the active one.
    std::function<VoiceServices()> services;

private:
    EditorContext& context_;
    std::map<std::optional<Id>, std::shared_ptr<VoiceSession>> latest_;
    std::shared_ptr<QSettings> settings_;
    std::unique_ptr<Microphones> microphones_;
    std::unique_ptr<PulseMicrophoneWatch> microphoneWatch_;
    std::unique_ptr<VoicePlayback> playback_;
};

} // namespace lumbex
