#include "voice/audio_transcription.h"

#include "voice/audio_converter.h"

#include <cmath>
#include <mutex>

namespace lumbex {

double importDuration(const AudioFileInput& input) {
    const double rate = input.format().sampleRate;
    const double seconds = rate > 0 ? double(input.frameCount()) / rate : 0;
    if (!std::isfinite(seconds) || seconds <= 0 || seconds > kLongestVoiceImport)
        throw LumbexError(QStringLiteral("Choose an audio recording up to 5 minutes long."));
    return seconds;
}

FileTranscript transcribeAudioFile(const QString& path, const AudioFileOpener& open,
                                   const LocalSpeechFactory& makeSpeech, const QString& locale) {
    const std::unique_ptr<AudioFileInput> input = open(path);
    importDuration(*input);

    std::mutex mutex;
    FileTranscript transcript;
    const std::unique_ptr<LocalSpeech> speech =
        makeSpeech(locale, true, {}, [&](const VoiceTranscript& result) {
            if (!result.isFinal)
                return;
            const std::lock_guard lock(mutex);
            transcript.segments.push_back({result.segment, result.text, result.range});
            transcript.text = result.fullText;
        });
    AudioConverter converter(input->format(), speech->format());
    for (qint64 read = 0; read < input->frameCount();) {
        const AudioBuffer buffer =
            input->read(std::min(kImportBufferFrames, input->frameCount() - read));
        if (buffer.frames() == 0)
            break;
        read += buffer.frames();
        const AudioBuffer converted = converter.convert(buffer);
        if (converted.frames() > 0)
            speech->append(converted);
    }
    const AudioBuffer tail = converter.finish();
    if (tail.frames() > 0)
        speech->append(tail);
    speech->finish();

    const std::lock_guard lock(mutex);
    if (transcript.text.trimmed().isEmpty())
        throw LumbexError(
            QStringLiteral("No speech recognized. Play the recording or transcribe it again."));
    return transcript;
}

} // namespace lumbex
