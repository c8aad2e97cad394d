#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "platform/audio_files.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

QString unreadable() {
    return QStringLiteral("This audio file couldn’t be read. Choose another recording, or keep "
                          "typing.");
}

class SndfileInput : public AudioFileInput {
public:
    SndfileInput(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
    ~SndfileInput() override { sf_close(file_); }

    AudioFormat format() const override { return {double(info_.samplerate), info_.channels}; }
    qint64 frameCount() const override { return info_.frames; }

    AudioBuffer read(qint64 frames) override {
        AudioBuffer buffer{format(), {}};
        if (frames <= 0)
            return buffer;
        buffer.samples.resize(size_t(frames) * size_t(info_.channels));
        const sf_count_t got = sf_readf_float(file_, buffer.samples.data(), frames);
        if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR)
            throw LumbexError(unreadable());
        buffer.samples.resize(size_t(got) * size_t(info_.channels));
        return buffer;
    }

private:
    SNDFILE* file_;
    SF_INFO info_;
};

class CafOutput : public AudioFileOutput {
public:
    CafOutput(SNDFILE* file, QString path, AudioFormat format)
        : file_(file), path_(std::move(path)), format_(format) {}
    ~CafOutput() override {
        if (file_)
            sf_close(file_);
    }

    void write(const AudioBuffer& buffer) override {
        if (!file_)
            throw LumbexError(QStringLiteral("The audio file “%1” is already closed.").arg(path_));
        if (!(buffer.format == format_))
            throw LumbexError(QStringLiteral("The microphone format changed."));
        const qint64 frames = buffer.frames();
        if (frames > 0 && sf_writef_float(file_, buffer.samples.data(), frames) != frames)
            throw LumbexError(QStringLiteral("Couldn’t write the audio file “%1”: %2")
                                  .arg(path_, QString::fromUtf8(sf_strerror(file_))));
    }

    void close() override {
        if (!file_)
            return;
        SNDFILE* file = std::exchange(file_, nullptr);
        sf_write_sync(file);
        if (sf_close(file) != 0)
            throw LumbexError(QStringLiteral("Couldn’t finish the audio file “%1”.").arg(path_));
    }

private:
    SNDFILE* file_;
    QString path_;
    AudioFormat format_;
};

} // namespace

std::unique_ptr<AudioFileInput> openAudioFile(const QString& path) {
    // Opened without following a link and without blocking on a FIFO, then checked to be a
    // regular file before libsndfile reads a byte.
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        throw LumbexError(unreadable(), errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) {
        ::close(fd);
        throw LumbexError(unreadable());
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file)
        throw LumbexError(unreadable());
    if (info.samplerate <= 0 || info.channels <= 0 || info.frames < 0) {
        sf_close(file);
        throw LumbexError(unreadable());
    }
    return std::make_unique<SndfileInput>(file, info);
}

std::unique_ptr<AudioFileOutput> createCafFile(const QString& path, const AudioFormat& format) {
    const double rate = std::round(format.sampleRate);
    if (!std::isfinite(format.sampleRate) || rate < 1 || rate > 768'000 || format.channels < 1 ||
        format.channels > 32)
        throw LumbexError(QStringLiteral("This audio format cannot be transcribed."));
    const int fd = ::open(encodeFileName(path).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        throw LumbexError(QStringLiteral("Couldn’t create the audio file “%1”: %2")
                              .arg(path, systemErrorText(errno)),
                          errno);
    SF_INFO info{};
    info.samplerate = int(rate);
    info.channels = format.channels;
    info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        removePath(path);
        throw LumbexError(QStringLiteral("Couldn’t create the audio file “%1”.").arg(path));
    }
    // Float input is clipped rather than wrapped when it goes past full scale.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The header follows every write, so a crash leaves a file that declares its frames.
    sf_command(file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    return std::make_unique<CafOutput>(file, path, format);
}

} // namespace lumbex
