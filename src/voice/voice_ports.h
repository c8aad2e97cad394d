#pragma once

#include "core/error.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace lumbex {

// The seams a voice session works through: the microphone, the audio file an import reads, the
// recogniser, the audio writer and the crash-safe draft. Production implementations live beside
// this header; tests give the session scripted stand-ins.

// How samples are laid out in an AudioBuffer: 32-bit float, interleaved, at this rate.
struct AudioFormat {
    double sampleRate = 0;
    int channels = 0;

    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// A run of samples: frames × channels floats, interleaved.
struct AudioBuffer {
    AudioFormat format;
    std::vector<float> samples;

    qint64 frames() const {
        return format.channels > 0 ? qint64(samples.size()) / format.channels : 0;
    }
};

// A seconds range within a voice recording's audio.
struct AudioTimeRange {
    double start = 0;
    double end = 0;
};

// One recogniser result.
struct VoiceTranscript {
    QString text;     // this segment's words, as the recogniser gave them
    QString fullText; // every final result so far followed by `text`
    int segment = 0;
    bool isFinal = false;
    std::optional<AudioTimeRange> range;
};

// The on-device recogniser of one voice note. Callbacks run on the recogniser's own thread, in
// order; the session hands them to the GUI thread.
class LocalSpeech {
public:
    using Status = std::function<void(const QString& message)>;
    using Transcript = std::function<void(const VoiceTranscript& result)>;

    virtual ~LocalSpeech() = default;
    // What append() takes.
    virtual AudioFormat format() const = 0;
    // One converted buffer, from the writer's thread. Throws LumbexError when live input falls
    // 256 buffers behind or the recogniser stopped.
    virtual void append(const AudioBuffer& buffer) = 0;
    // End of input; blocks until every result has been delivered (or cancel() was called).
    // Throws LumbexError on a recogniser failure.
    virtual void finish() = 0;
    // Stops at once from any thread, dropping pending input; a blocked finish() returns.
    virtual void cancel() = 0;
};

// Makes a recogniser for "en-US" or "ko-KR"; `fileInput` lifts the live backlog limit. Throws
// LumbexError ("On-device transcription is unavailable for this language. You can keep typing.").
using LocalSpeechFactory = std::function<std::unique_ptr<LocalSpeech>(
    const QString& locale, bool fileInput, LocalSpeech::Status status,
    LocalSpeech::Transcript transcript)>;

// A microphone as the user chooses it: the audio server's device name and its description.
struct Microphone {
    QString id;
    QString name;

    friend bool operator==(const Microphone&, const Microphone&) = default;
};

// The microphones of the audio server and this application's own choice among them.
class Microphones {
public:
    virtual ~Microphones() = default;
    // Connected, usable input devices in the server's order.
    virtual std::vector<Microphone> available() const = 0;
    virtual std::optional<Microphone> systemDefault() const = 0;
    // The per-application choice ("voiceMicrophone"); none means the system default.
    virtual std::optional<Microphone> selection() const = 0;
    virtual void setSelection(const std::optional<Microphone>& microphone) = 0;
    // The chosen microphone when it is available, else the system default when there is no
    // choice, else none.
    virtual std::optional<Microphone> current() const = 0;
};

// One microphone capture run. Callbacks run on the capture's own thread until stop() returns.
class MicrophoneCapture {
public:
    using Receive = std::function<void(const AudioBuffer& buffer)>;
    using Failure = std::function<void(const LumbexError& error)>;

    virtual ~MicrophoneCapture() = default;
    virtual AudioFormat format() const = 0;
    // Throws LumbexError ("The microphone did not start. Try again or choose another microphone.").
    virtual void start(Receive receive, Failure failure) = 0;
    // Waits until no callback runs.
    virtual void stop() = 0;
};

// Opens `microphone` (none: fails). Throws LumbexError ("The selected microphone is unavailable.
// Choose another microphone in this note, or keep typing.", "This microphone could not be opened.
// Choose another microphone.").
using MicrophoneOpener =
    std::function<std::unique_ptr<MicrophoneCapture>(const std::optional<Microphone>& microphone)>;

// An audio file opened for reading, as an import is fed from it.
class AudioFileInput {
public:
    virtual ~AudioFileInput() = default;
    virtual AudioFormat format() const = 0;
    virtual qint64 frameCount() const = 0;
    // Up to `frames` frames from the read position; an empty buffer at the end. Throws LumbexError.
    virtual AudioBuffer read(qint64 frames) = 0;
};

// Throws LumbexError ("This audio file couldn’t be read. Choose another recording, or keep typing.").
using AudioFileOpener = std::function<std::unique_ptr<AudioFileInput>(const QString& path)>;

class VoiceSignal;

// Writes a voice note's audio in its source format, measures its loudness into `signal` and feeds
// the recogniser. append() may be called from any one thread; the writing happens on the writer's
// own thread in arrival order. Callbacks run on that thread.
class VoiceAudioWriter {
public:
    using Level = std::function<void(double level, double duration)>;
    using Failure = std::function<void(const LumbexError& error)>;

    virtual ~VoiceAudioWriter() = default;
    // At most every 0.1 s of wall time.
    virtual void onLevel(Level level) = 0;
    // The first failure; every later append is ignored.
    virtual void onFailure(Failure failure) = 0;
    virtual void append(const AudioBuffer& buffer) = 0;
    // Waits for every appended buffer, closes the file and gives the seconds written and the first
    // failure.
    virtual std::pair<double, std::optional<LumbexError>> finish() = 0;
};

// Throws LumbexError ("This audio format cannot be transcribed.").
using VoiceAudioWriterFactory = std::function<std::unique_ptr<VoiceAudioWriter>(
    const AudioFormat& source, LocalSpeech* speech, VoiceSignal& signal, const QString& path)>;

} // namespace lumbex
