#pragma once

#include "voice/voice_ports.h"

#include <QString>
#include <functional>
#include <memory>

namespace lumbex {

// A voice note's stored audio being written: Core Audio Format, 16-bit PCM at the source's rate
// and channel count. The header is brought up to date after every write, so that a file left
// behind by a crash declares what it holds.
class AudioFileOutput {
public:
    virtual ~AudioFileOutput() = default;
    // Throws LumbexError.
    virtual void write(const AudioBuffer& buffer) = 0;
    // Finishes the file; throws LumbexError.
    virtual void close() = 0;
};

// Creates the file at `path` (nothing may exist there). Throws LumbexError.
using AudioFileCreator =
    std::function<std::unique_ptr<AudioFileOutput>(const QString& path, const AudioFormat& format)>;

// libsndfile: WAV, CAF, FLAC, Ogg Vorbis/Opus, AIFF… read as 32-bit float. Throws LumbexError
// ("This audio file couldn’t be read. Choose another recording, or keep typing.").
std::unique_ptr<AudioFileInput> openAudioFile(const QString& path);
// Linear PCM in Core Audio Format, read by its declared data size: a file cut short reads fewer
// frames than frameCount() (libsndfile refuses such a file outright). For recovering drafts.
std::unique_ptr<AudioFileInput> openCafPcmFile(const QString& path);
std::unique_ptr<AudioFileOutput> createCafFile(const QString& path, const AudioFormat& format);

} // namespace lumbex
