#pragma once

#include "core/files.h"
#include "platform/ffmpeg_support.h"

#include <QString>

namespace lumbex {

// A segment file opened for demuxing. The file is checked and opened as an InputFile (a regular
// file, never through a symbolic link) and libavformat reads it only through that descriptor,
// with the QuickTime demuxer and no format probing. A file cut short by a crash ends in the middle
// of its last box: a cut sample box is hidden, so that the demuxer reads every complete fragment
// before it, while a cut media data box stays, its cut samples refused one by one.
class MovieInput {
public:
    // Throws the InputFile's message for a file that cannot be opened, and `unreadable` when
    // libavformat cannot read its header.
    MovieInput(const QString& path, const QString& unreadable);
    ~MovieInput();
    MovieInput(const MovieInput&) = delete;
    MovieInput& operator=(const MovieInput&) = delete;

    AVFormatContext* format() const { return format_; }
    qint64 fileSize() const { return file_.size(); }
    // The next packet of any stream, skipping the samples that lie past the end of the file;
    // false at the end.
    bool readPacket(AVPacket& packet);
    // The first video stream, or null.
    AVStream* videoStream() const;

    // Whether a packet read from the file lies wholly inside it: a file cut short by a crash may
    // end in the middle of its last packet.
    bool isComplete(const AVPacket& packet) const;

private:
    // The end of the last complete top-level box, or of the file when the last box holds media
    // data.
    qint64 readableSize() const;
    qsizetype indexedSamples() const;
    static int readBytes(void* opaque, uint8_t* buffer, int size);
    static int64_t seekTo(void* opaque, int64_t offset, int whence);

    InputFile file_;
    qint64 readable_ = 0;
    qint64 position_ = 0;
    ffmpeg::IoContextPtr io_;
    AVFormatContext* format_ = nullptr;
};

} // namespace lumbex
