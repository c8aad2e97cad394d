#pragma once

#include "voice/voice_ports.h"

#include <vector>

namespace lumbex {

// The longest audio file a voice note takes, in seconds.
constexpr double kLongestVoiceImport = 300.0;
// Frames per buffer when an imported file is fed to the recogniser.
constexpr qint64 kImportBufferFrames = 4096;

// The seconds of an opened import, checked: above 0 and at most 5 minutes. Throws LumbexError
// ("Choose an audio recording up to 5 minutes long.").
double importDuration(const AudioFileInput& input);

struct TranscribedSegment {
    int segment = 0;
    QString text;
    std::optional<AudioTimeRange> range;
};

struct FileTranscript {
    std::vector<TranscribedSegment> segments; // the final results, in order
    QString text;                             // the whole transcript
};

// Transcribes an audio file without a note, as an import into a note would: the file opened
// and checked, read in 4,096-frame buffers, converted and fed to a recogniser made for
// `locale`. Throws LumbexError: the opener's and recogniser's messages, the 5-minute limit, and
// "No speech recognized. Play the recording or transcribe it again." when no words came.
FileTranscript transcribeAudioFile(const QString& path, const AudioFileOpener& open,
                                   const LocalSpeechFactory& makeSpeech,
                                   const QString& locale = QStringLiteral("en-US"));

} // namespace lumbex
