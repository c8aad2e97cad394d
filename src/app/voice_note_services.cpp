#include "app/voice_note_services.h"

#include "model/app_folders.h"
#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "voice/voice_audio_writer.h"
#include "voice/voice_recovery_draft.h"

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
    services.currentMicrophone = [] { return std::optional<Microphone>(); };
    services.openMicrophone =
        [](const std::optional<Microphone>&) -> std::unique_ptr<MicrophoneCapture> {
        throw LumbexError(QStringLiteral("The selected microphone is unavailable. Choose another "
                                         "microphone in this note, or keep typing."));
    };
    return services;
}

} // namespace lumbex
