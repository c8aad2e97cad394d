#include "voice/voice_playback.h"

#include "voice/audio_converter.h"

#include <QFile>
#include <QMetaObject>

namespace lumbex {
namespace {

// Read from the file at a time.
constexpr qint64 kReadFrames = 4096;
// Written at a time, so that a stop is noticed within 20 ms of sound.
constexpr std::size_t kWriteFrames = kRecordingAudioRate / 50;

// The speakers take stereo: the mono voice goes to both sides.
std::vector<float> stereo(const AudioBuffer& mono) {
    std::vector<float> both(mono.samples.size() * 2);
    for (std::size_t i = 0; i < mono.samples.size(); ++i)
        both[i * 2] = both[i * 2 + 1] = mono.samples[i];
    return both;
}

} // namespace

VoicePlayback::VoicePlayback(AudioFileOpener openFile, SoundOutputOpener openOutput)
    : openFile_(std::move(openFile)), openOutput_(std::move(openOutput)) {}

VoicePlayback::~VoicePlayback() {
    stop();
}

void VoicePlayback::play(const Id& id, const QString& path, bool temporary) {
    stop();
    stopping_ = false;
    playing_ = id;
    thread_ = std::thread(&VoicePlayback::run, this, path, temporary, ++runs_);
}

void VoicePlayback::stop() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    playing_.reset();
}

void VoicePlayback::run(QString path, bool temporary, int run) {
    std::optional<QString> problem;
    try {
        std::unique_ptr<AudioFileInput> file;
        try {
            file = openFile_(path);
        } catch (...) {
            if (temporary)
                QFile::remove(path);
            throw;
        }
        if (temporary)
            QFile::remove(path);
        AudioConverter converter(file->format(), AudioFormat{double(kRecordingAudioRate), 1});
        const std::unique_ptr<SoundOutput> output = openOutput_();
        const auto write = [&](const AudioBuffer& mono) {
            const std::vector<float> sound = stereo(mono);
            const std::size_t slice = kWriteFrames * 2;
            for (std::size_t at = 0; at < sound.size() && !stopping_; at += slice) {
                const auto end = sound.begin() + qint64(std::min(sound.size(), at + slice));
                output->write(std::vector<float>(sound.begin() + qint64(at), end));
            }
        };
        while (!stopping_) {
            const AudioBuffer buffer = file->read(kReadFrames);
            if (buffer.samples.empty())
                break;
            write(converter.convert(buffer));
        }
        if (stopping_) {
            output->discard();
        } else {
            write(converter.finish());
            output->drain();
        }
    } catch (const LumbexError& error) {
        problem = error.message();
    }
    QMetaObject::invokeMethod(
        &receiver_, [this, run, problem] { ended(run, problem); }, Qt::QueuedConnection);
}

void VoicePlayback::ended(int run, std::optional<QString> problem) {
    if (run != runs_ || !playing_)
        return;
    if (thread_.joinable())
        thread_.join();
    playing_.reset();
    if (finished)
        finished(problem);
}

} // namespace lumbex
