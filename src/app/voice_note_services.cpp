#include "app/voice_note_services.h"

#include "model/app_folders.h"
#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "platform/pulse_microphones.h"
#include "voice/voice_audio_writer.h"
#include "voice/voice_recovery_draft.h"

#include <QSettings>

namespace lumbex {
namespace {

SpeechVocabulary vocabularyOf(const CaptureNote& note) {
    QStringList texts{note.title, note.general};
    for (const LinkedNote& linked : note.notes)
        texts << linked.body;
    for (const Media& media : note.media)
        texts << media.name;
    return SpeechVocabulary::fromTexts(texts);
}

} // namespace

QString voiceDraftsRoot() {
    return VoiceRecoveryDraft::defaultRoot(libraryFolder());
}

AudioFileOpener voiceDraftAudioOpener() {
    return [](const QString& path) { return openCafPcmFile(path); };
}

VoiceServices systemVoiceServices(const CaptureNote& note) {
    VoiceServices services;
    services.makeSpeech = pocketsphinxSpeechFactory(vocabularyOf(note));
    services.openAudioFile = [](const QString& path) { return openAudioFile(path); };
    services.makeWriter = voiceAudioWriterFactory();
    services.draftsRoot = voiceDraftsRoot();
    std::shared_ptr<QSettings> settings = openSettings();
    std::shared_ptr<Microphones> microphones = makePulseMicrophones(*settings);
    services.currentMicrophone = [settings, microphones] { return microphones->current(); };
    services.openMicrophone = pulseMicrophoneOpener();
    return services;
}

} // namespace lumbex
