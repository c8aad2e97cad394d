#include "core/error.h"
#include "core/file_names.h"
#include "platform/audio_files.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

QString unreadable() {
    return QStringLiteral("This audio file couldn’t be read. Choose another recording, or keep "
                          "typing.");
}

constexpr quint32 kFloatFlag = 1;
constexpr quint32 kLittleEndianFlag = 2;

// Linear PCM in a Core Audio Format file, its frame count taken from the data chunk's declared
// size: a file cut short by a crash or a copy then reads fewer frames than it declares, which
// the voice draft's recovery must be able to tell.
class CafPcmInput : public AudioFileInput {
public:
    CafPcmInput(QFile* file, AudioFormat format, int bytes, bool isFloat, bool littleEndian,
                qint64 dataStart, qint64 declared)
        : file_(file), format_(format), bytes_(bytes), float_(isFloat), littleEndian_(littleEndian),
          dataStart_(dataStart), declared_(declared) {}

    AudioFormat format() const override { return format_; }
    qint64 frameCount() const override { return declared_; }

    AudioBuffer read(qint64 frames) override {
        AudioBuffer buffer{format_, {}};
        frames = std::min(frames, declared_ - position_);
        if (frames <= 0)
            return buffer;
        const qint64 frameBytes = qint64(bytes_) * format_.channels;
        if (!file_->seek(dataStart_ + position_ * frameBytes))
            throw LumbexError(unreadable());
        const QByteArray raw = file_->read(frames * frameBytes);
        const qint64 got = raw.size() / frameBytes;
        buffer.samples.reserve(size_t(got * format_.channels));
        const auto* p = reinterpret_cast<const uchar*>(raw.constData());
        for (qint64 i = 0; i < got * format_.channels; ++i, p += bytes_)
            buffer.samples.push_back(sample(p));
        position_ += got;
        return buffer;
    }

private:
    quint32 word(const uchar* p) const {
        return littleEndian_ ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    }

    float sample(const uchar* p) const {
        if (float_ && bytes_ == 4) {
            const quint32 bits = word(p);
            float value;
            std::memcpy(&value, &bits, 4);
            return value;
        }
        if (float_) {
            const quint64 bits =
                littleEndian_ ? qFromLittleEndian<quint64>(p) : qFromBigEndian<quint64>(p);
            double value;
            std::memcpy(&value, &bits, 8);
            return float(value);
        }
        if (bytes_ == 2) {
            const qint16 v =
                littleEndian_ ? qFromLittleEndian<qint16>(p) : qFromBigEndian<qint16>(p);
            return float(v) / 32768.0f;
        }
        if (bytes_ == 3) {
            const qint32 v = littleEndian_ ? (qint32(p[2]) << 24 | p[1] << 16 | p[0] << 8)
                                           : (qint32(p[0]) << 24 | p[1] << 16 | p[2] << 8);
            return float(double(v) / 2147483648.0);
        }
        return float(double(qint32(word(p))) / 2147483648.0);
    }

    std::unique_ptr<QFile> file_;
    AudioFormat format_;
    int bytes_;
    bool float_;
    bool littleEndian_;
    qint64 dataStart_;
    qint64 declared_;
    qint64 position_ = 0;
};

} // namespace

std::unique_ptr<AudioFileInput> openCafPcmFile(const QString& path) {
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        throw LumbexError(unreadable(), errno);
    struct stat status {};
    auto file = std::make_unique<QFile>();
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw LumbexError(unreadable());
    }
    const qint64 size = file->size();
    const QByteArray head = file->read(8);
    if (head.size() != 8 || !head.startsWith("caff") ||
        qFromBigEndian<quint16>(head.constData() + 4) != 1)
        throw LumbexError(unreadable());

    std::optional<AudioFormat> format;
    int bytes = 0;
    bool isFloat = false;
    bool littleEndian = false;
    qint64 at = 8;
    while (at + 12 <= size) {
        file->seek(at);
        const QByteArray chunk = file->read(12);
        const qint64 length = qFromBigEndian<qint64>(chunk.constData() + 4);
        const qint64 body = at + 12;
        if (chunk.startsWith("desc")) {
            const QByteArray desc = file->read(32);
            if (length < 32 || desc.size() != 32)
                throw LumbexError(unreadable());
            const quint64 rateBits = qFromBigEndian<quint64>(desc.constData());
            double rate;
            std::memcpy(&rate, &rateBits, 8);
            const auto field = [&](int i) { return qFromBigEndian<quint32>(desc.constData() + i); };
            const quint32 flags = field(12);
            const quint32 bytesPerPacket = field(16);
            const quint32 framesPerPacket = field(20);
            const quint32 channels = field(24);
            const quint32 bits = field(28);
            isFloat = flags & kFloatFlag;
            littleEndian = flags & kLittleEndianFlag;
            if (!desc.mid(8, 4).startsWith("lpcm") || framesPerPacket != 1 || channels < 1 ||
                channels > 32 || bits % 8 != 0 || bits < 16 || bits > 64 ||
                bytesPerPacket != channels * bits / 8 || (isFloat && bits != 32 && bits != 64) ||
                (!isFloat && bits > 32) || !std::isfinite(rate))
                throw LumbexError(unreadable());
            bytes = int(bits / 8);
            format = AudioFormat{rate, int(channels)};
        } else if (chunk.startsWith("data")) {
            if (!format)
                throw LumbexError(unreadable());
            // -1: the writer never learnt the size; the data runs to the end of the file.
            const qint64 dataBytes = length == -1 ? size - body - 4 : length - 4;
            if (dataBytes < 0)
                throw LumbexError(unreadable());
            const qint64 declared = dataBytes / (qint64(bytes) * format->channels);
            return std::make_unique<CafPcmInput>(file.release(), *format, bytes, isFloat,
                                                 littleEndian, body + 4, declared);
        }
        if (length < 0 || length > size)
            throw LumbexError(unreadable());
        at = body + length;
    }
    throw LumbexError(unreadable());
}

} // namespace lumbex
