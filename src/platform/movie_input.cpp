#include "platform/movie_input.h"

#include "core/error.h"

#include <cstring>

extern "C" {
#include <libavutil/dict.h>
}

namespace lumbex {
namespace {

constexpr int kReadBufferBytes = 64 * 1024;
// Demuxer failures in a row that end reading even when samples remain in its index.
constexpr qsizetype kSpareFailures = 16;

quint64 bigEndian(const QByteArray& bytes, qsizetype at, int count) {
    quint64 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

} // namespace

MovieInput::MovieInput(const QString& path, const QString& unreadable) : file_(path) {
    ffmpeg::quietLogs();
    readable_ = readableSize();
    io_ = ffmpeg::makeIoContext(kReadBufferBytes, false, this, readBytes, nullptr, seekTo);
    format_ = avformat_alloc_context();
    if (!io_ || !format_) {
        avformat_free_context(format_);
        throw std::bad_alloc();
    }
    format_->pb = io_.get();
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Tracks from fragment decode times, so that gaps between fragments keep their place.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "use_tfdt", "1", 0);
    const int opened =
        avformat_open_input(&format_, nullptr, av_find_input_format("mov"), &options);
    av_dict_free(&options);
    if (opened < 0) // avformat_open_input frees the context on failure
        throw LumbexError(unreadable);
}

MovieInput::~MovieInput() {
    avformat_close_input(&format_);
}

AVStream* MovieInput::videoStream() const {
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return format_->streams[i];
    return nullptr;
}

bool MovieInput::isComplete(const AVPacket& packet) const {
    return !(packet.flags & AV_PKT_FLAG_CORRUPT) && packet.pos >= 0 && packet.size > 0 &&
           packet.pos <= readable_ - packet.size;
}

bool MovieInput::readPacket(AVPacket& packet) {
    // A sample past the end fails on its own; the demuxer moves on to the next one, which may lie
    // in an earlier, complete fragment. Each failure uses up one sample of the index, so more
    // failures in a row than it holds mean the end.
    qsizetype failures = 0;
    while (failures <= indexedSamples() + kSpareFailures) {
        if (av_read_frame(format_, &packet) >= 0)
            return true;
        ++failures;
    }
    return false;
}

qsizetype MovieInput::indexedSamples() const {
    qsizetype count = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        count += avformat_index_get_entries_count(format_->streams[i]);
    return count;
}

qint64 MovieInput::readableSize() const {
    const qint64 size = file_.size();
    qint64 offset = 0;
    while (size - offset >= 8) {
        const QByteArray header = file_.read(offset, 16);
        quint64 boxSize = bigEndian(header, 0, 4);
        const QByteArray type = header.mid(4, 4);
        if (boxSize == 1 && header.size() == 16)
            boxSize = bigEndian(header, 8, 8);
        else if (boxSize == 0) // the box runs to the end of the file
            return size;
        if (boxSize < 8)
            return offset; // not a box: nothing after this point is trusted
        if (boxSize > quint64(size - offset))
            return type == "mdat" ? size : offset;
        offset += qint64(boxSize);
    }
    return offset;
}

int MovieInput::readBytes(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<MovieInput*>(opaque);
    try {
        const QByteArray bytes = self->file_.read(
            self->position_, std::min<qint64>(size, self->readable_ - self->position_));
        if (bytes.isEmpty())
            return AVERROR_EOF;
        std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
        self->position_ += bytes.size();
        return int(bytes.size());
    } catch (...) { // no exception may cross FFmpeg's C frames
        return AVERROR(EIO);
    }
}

int64_t MovieInput::seekTo(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<MovieInput*>(opaque);
    const qint64 size = self->readable_;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        if (__builtin_add_overflow(offset, self->position_, &offset))
            return AVERROR(EINVAL);
        break;
    case SEEK_END:
        if (__builtin_add_overflow(offset, size, &offset))
            return AVERROR(EINVAL);
        break;
    default:
        return AVERROR(EINVAL);
    }
    // Nothing lies past the readable end: a sample there fails at once instead of reading as an
    // empty end of file.
    if (offset < 0 || offset > size)
        return AVERROR(EINVAL);
    self->position_ = offset;
    return offset;
}

} // namespace lumbex
