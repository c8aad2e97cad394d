#pragma once

#include "core/error.h"
#include "platform/ffmpeg_support.h"

#include <QString>
#include <optional>

namespace lumbex {

// The segment file being written: created new (never replacing anything, never through a
// symbolic link), appended to through a libavformat I/O context without seeking back, and
// flushed to disk after every fragment so that a crash keeps what was written.
class MovieOutputFile {
public:
    // Throws the system's reason when the file cannot be created (it exists, the folder is
    // missing or read-only …).
    explicit MovieOutputFile(const QString& path);
    ~MovieOutputFile();
    MovieOutputFile(const MovieOutputFile&) = delete;
    MovieOutputFile& operator=(const MovieOutputFile&) = delete;

    AVIOContext* io() const { return io_.get(); }
    // When anything reached the I/O context since the last call: pushes it into the file and
    // onto the disk. `wrote` tells whether there was anything. False on failure.
    bool syncWritten(bool* wrote = nullptr);
    // Syncs and closes; false when either failed. Later calls do nothing.
    bool close();
    // Throws the system's reason for the first failed write.
    [[noreturn]] void throwFailure() const;
    // That reason, once a write failed.
    std::optional<LumbexError> failure() const;

private:
    static int writeBytes(void* opaque, uint8_t* buffer, int size);

    QString path_;
    int fd_ = -1;
    int error_ = 0;
    ffmpeg::IoContextPtr io_;
    qint64 syncedPosition_ = 0;
};

} // namespace lumbex
