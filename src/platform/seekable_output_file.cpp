#include "platform/seekable_output_file.h"

#include "core/file_names.h"
#include "core/files.h"

#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr int kBufferBytes = 256 * 1024;

} // namespace

SeekableOutputFile::SeekableOutputFile(const QString& path) : path_(path) {
    fd_ = ::open(encodeFileName(path).constData(),
                 O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int error = errno;
        throw LumbexError(
            QStringLiteral("Could not write “%1”: %2.")
                .arg(displayFileName(QFileInfo(path).fileName()), systemErrorText(error)),
            error);
    }
    writer_.file = this;
    writer_.io = ffmpeg::makeIoContext(kBufferBytes, true, &writer_, nullptr, writeBytes, seekTo);
    if (!writer_.io) {
        ::close(fd_);
        throw std::bad_alloc();
    }
}

SeekableOutputFile::~SeekableOutputFile() {
    close();
}

void SeekableOutputFile::serveReopening(AVFormatContext& muxer) {
    muxer.opaque = this;
    muxer.io_open = openForReading;
    muxer.io_close2 = closeReading;
}

bool SeekableOutputFile::close() {
    if (fd_ < 0)
        return !error_;
    avio_flush(writer_.io.get());
    if (!error_ && writer_.io->error < 0)
        error_ = EIO;
    if (!error_ && ::fdatasync(fd_) != 0)
        error_ = errno;
    if (::close(fd_) != 0 && !error_)
        error_ = errno;
    fd_ = -1;
    return !error_;
}

std::optional<LumbexError> SeekableOutputFile::failure() const {
    if (!error_)
        return std::nullopt;
    return LumbexError(
        QStringLiteral("Could not write “%1”: %2.")
            .arg(displayFileName(QFileInfo(path_).fileName()), systemErrorText(error_)),
        error_);
}

qint64 SeekableOutputFile::size() const {
    struct stat status {};
    return ::fstat(fd_, &status) == 0 ? qint64(status.st_size) : -1;
}

int SeekableOutputFile::writeBytes(void* opaque, uint8_t* buffer, int size) {
    auto* cursor = static_cast<Cursor*>(opaque);
    SeekableOutputFile& file = *cursor->file;
    int written = 0;
    while (written < size) {
        const ssize_t done =
            ::pwrite(file.fd_, buffer + written, size_t(size - written), off_t(cursor->position));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            file.error_ = done < 0 ? errno : EIO;
            return AVERROR(file.error_);
        }
        written += int(done);
        cursor->position += done;
    }
    return written;
}

int SeekableOutputFile::readBytes(void* opaque, uint8_t* buffer, int size) {
    auto* cursor = static_cast<Cursor*>(opaque);
    for (;;) {
        const ssize_t done =
            ::pread(cursor->file->fd_, buffer, size_t(size), off_t(cursor->position));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return AVERROR(errno);
        if (done == 0)
            return AVERROR_EOF;
        cursor->position += done;
        return int(done);
    }
}

int64_t SeekableOutputFile::seekTo(void* opaque, int64_t offset, int whence) {
    auto* cursor = static_cast<Cursor*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return cursor->file->size();
    case SEEK_SET:
        cursor->position = offset;
        break;
    case SEEK_CUR:
        cursor->position += offset;
        break;
    case SEEK_END:
        cursor->position = cursor->file->size() + offset;
        break;
    default:
        return -1;
    }
    return cursor->position;
}

// Only the muxer's own output is ever reopened, and only to read it back.
int SeekableOutputFile::openForReading(AVFormatContext* muxer, AVIOContext** io, const char*,
                                       int flags, AVDictionary**) {
    auto* file = static_cast<SeekableOutputFile*>(muxer->opaque);
    if ((flags & AVIO_FLAG_WRITE) || file->reader_.io)
        return AVERROR(EINVAL);
    file->reader_.file = file;
    file->reader_.position = 0;
    file->reader_.io =
        ffmpeg::makeIoContext(kBufferBytes, false, &file->reader_, readBytes, nullptr, seekTo);
    if (!file->reader_.io)
        return AVERROR(ENOMEM);
    *io = file->reader_.io.get();
    return 0;
}

int SeekableOutputFile::closeReading(AVFormatContext* muxer, AVIOContext* io) {
    auto* file = static_cast<SeekableOutputFile*>(muxer->opaque);
    if (io == file->reader_.io.get())
        file->reader_.io.reset();
    return 0;
}

} // namespace lumbex
