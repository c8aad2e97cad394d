#include "platform/movie_output_file.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr int kWriteBufferBytes = 256 * 1024;

LumbexError writeError(const QString& path, int error) {
    return LumbexError(
        QStringLiteral("Could not write “%1”: %2.")
            .arg(displayFileName(QFileInfo(path).fileName()), systemErrorText(error)),
        error);
}

} // namespace

MovieOutputFile::MovieOutputFile(const QString& path) : path_(path) {
    fd_ = ::open(encodeFileName(path).constData(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw writeError(path, errno);
    // No seek function: the muxer can only append, so written fragments are never rewritten.
    io_ = ffmpeg::makeIoContext(kWriteBufferBytes, true, this, nullptr, writeBytes, nullptr);
    if (!io_) {
        ::close(fd_);
        throw std::bad_alloc();
    }
}

MovieOutputFile::~MovieOutputFile() {
    close();
}

bool MovieOutputFile::syncWritten(bool* wrote) {
    const qint64 position = avio_tell(io_.get());
    if (wrote)
        *wrote = position != syncedPosition_;
    if (error_ || fd_ < 0)
        return false;
    if (position == syncedPosition_)
        return true;
    avio_flush(io_.get());
    if (!error_ && io_->error < 0)
        error_ = EIO;
    if (!error_ && ::fdatasync(fd_) != 0)
        error_ = errno;
    syncedPosition_ = position;
    return !error_;
}

bool MovieOutputFile::close() {
    if (fd_ < 0)
        return !error_;
    syncWritten();
    if (::close(fd_) != 0 && !error_)
        error_ = errno;
    fd_ = -1;
    return !error_;
}

void MovieOutputFile::throwFailure() const {
    throw writeError(path_, error_ ? error_ : EIO);
}

std::optional<LumbexError> MovieOutputFile::failure() const {
    if (!error_)
        return std::nullopt;
    return writeError(path_, error_);
}

int MovieOutputFile::writeBytes(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<MovieOutputFile*>(opaque);
    int written = 0;
    while (written < size) {
        const ssize_t done = ::write(self->fd_, buffer + written, size_t(size - written));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            self->error_ = done < 0 ? errno : EIO;
            return AVERROR(self->error_);
        }
        written += int(done);
    }
    return written;
}

} // namespace lumbex
