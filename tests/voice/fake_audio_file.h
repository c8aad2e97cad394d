#pragma once

#include "voice/voice_ports.h"

#include <QFile>
#include <memory>

namespace lumbex::test {

// An audio file stand-in: declares `declared` frames in `format` but holds only `present`, so
// that a test can describe a truncated or oversized recording without a codec.
class FakeAudioFile : public AudioFileInput {
public:
    FakeAudioFile(AudioFormat format, qint64 declared, qint64 present)
        : format_(format), declared_(declared), present_(present) {}

    AudioFormat format() const override { return format_; }
    qint64 frameCount() const override { return declared_; }
    AudioBuffer read(qint64 frames) override {
        const qint64 count = std::min(frames, present_ - position_);
        position_ += count;
        return {format_, std::vector<float>(size_t(count * format_.channels), 0.25f)};
    }

private:
    AudioFormat format_;
    qint64 declared_;
    qint64 present_;
    qint64 position_ = 0;
};

// Opens every file as the given fake, after checking that the file exists.
inline AudioFileOpener fakeOpener(AudioFormat format, qint64 declared, qint64 present) {
    return [=](const QString& path) -> std::unique_ptr<AudioFileInput> {
        if (!QFile::exists(path))
            throw LumbexError(QStringLiteral("missing"));
        return std::make_unique<FakeAudioFile>(format, declared, present);
    };
}

} // namespace lumbex::test
