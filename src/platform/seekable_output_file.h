#pragma once

#include "core/error.h"
#include "platform/ffmpeg_support.h"

#include <QString>
#include <optional>

namespace lumbex {

// A new file (never replacing anything, never through a symbolic link) that libavformat writes
// with seeking and may read back while writing: the MP4 muxer rewrites its header at the end and
// moves the index to the front by reading the file it wrote. Reads reach the file through the
// same descriptor, never by reopening its name.
class SeekableOutputFile {
public:
    // Throws the system's reason when the file cannot be created.
    explicit SeekableOutputFile(const QString& path);
    ~SeekableOutputFile();
    SeekableOutputFile(const SeekableOutputFile&) = delete;
    SeekableOutputFile& operator=(const SeekableOutputFile&) = delete;

    AVIOContext* io() const { return writer_.io.get(); }
    // Lets `muxer` reopen its output for reading (AVFormatContext::io_open) through this file.
    void serveReopening(AVFormatContext& muxer);
    // Flushes, syncs to disk and closes; false when any write failed.
    bool close();
    // The system's reason for the first failed write.
    std::optional<LumbexError> failure() const;

private:
    struct Cursor {
        SeekableOutputFile* file = nullptr;
        qint64 position = 0;
        ffmpeg::IoContextPtr io;
    };

    static int writeBytes(void* opaque, uint8_t* buffer, int size);
    static int readBytes(void* opaque, uint8_t* buffer, int size);
    static int64_t seekTo(void* opaque, int64_t offset, int whence);
    static int openForReading(AVFormatContext* muxer, AVIOContext** io, const char* url, int flags,
                              AVDictionary** options);
    static int closeReading(AVFormatContext* muxer, AVIOContext* io);
    qint64 size() const;

    QString path_;
    int fd_ = -1;
    int error_ = 0;
    Cursor writer_;
    Cursor reader_;
};

} // namespace lumbex
