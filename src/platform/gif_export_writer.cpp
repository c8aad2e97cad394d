#include "core/error.h"
#include "core/files.h"
#include "platform/export_destination.h"
#include "platform/ffmpeg_support.h"
#include "platform/gif_stream.h"
#include "platform/movie_output_file.h"
#include "platform/recording_export.h"

#include <algorithm>
#include <optional>

extern "C" {
#include <libavutil/mem.h>
}

namespace lumbex {
namespace {

const QString kTooLarge =
    QStringLiteral("Choose up to 10 fps and a longest side of 960 pixels for GIF.");
const QString kNotCreated = QStringLiteral("The GIF file could not be created.");
const QString kUnfinished =
    QStringLiteral("The GIF did not finish correctly. The previous file has been kept.");
const QString kEstimateTooLarge =
    QStringLiteral("Choose a longest side of up to 960 pixels for GIF.");
const QString kEstimateUnavailable = QStringLiteral("GIF size estimation is unavailable.");
constexpr int kLongestSide = 960;
constexpr int kReadBufferBytes = 64 * 1024;

bool fitsGIF(int width, int height) {
    return width >= 1 && height >= 1 && std::max(width, height) <= kLongestSide;
}

// A written GIF read back through its descriptor (a regular file, no link followed) with the GIF
// demuxer: its frame count, and whether its first and last frames decode.
class GIFCheck {
public:
    explicit GIFCheck(const QString& path) : file_(path) {}

    bool holds(int expectedFrames) {
        io_ = ffmpeg::makeIoContext(kReadBufferBytes, false, this, readBytes, nullptr, seekTo);
        format_ = avformat_alloc_context();
        if (!io_ || !format_)
            return false;
        format_->pb = io_.get();
        format_->flags |= AVFMT_FLAG_CUSTOM_IO;
        if (avformat_open_input(&format_, nullptr, av_find_input_format("gif"), nullptr) < 0 ||
            avformat_find_stream_info(format_, nullptr) < 0 || format_->nb_streams != 1)
            return false;
        const AVCodecParameters& parameters = *format_->streams[0]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
        const ffmpeg::CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
        const ffmpeg::PacketPtr packet(av_packet_alloc());
        const ffmpeg::FramePtr frame(av_frame_alloc());
        if (!decoder || !packet || !frame ||
            avcodec_parameters_to_context(decoder.get(), &parameters) < 0 ||
            avcodec_open2(decoder.get(), codec, nullptr) < 0)
            return false;
        // Every frame is decoded (a GIF frame may draw over the one before), each checked for
        // the first and, once the count is reached, the last.
        int frames = 0;
        while (av_read_frame(format_, packet.get()) >= 0) {
            const bool decoded = avcodec_send_packet(decoder.get(), packet.get()) >= 0 &&
                                 avcodec_receive_frame(decoder.get(), frame.get()) >= 0;
            av_packet_unref(packet.get());
            ++frames;
            if ((frames == 1 || frames == expectedFrames) && !decoded)
                return false;
        }
        return frames == expectedFrames;
    }

    ~GIFCheck() { avformat_close_input(&format_); }

private:
    static int readBytes(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<GIFCheck*>(opaque);
        const QByteArray bytes = self->file_.read(self->position_, size);
        if (bytes.isEmpty())
            return AVERROR_EOF;
        std::copy(bytes.begin(), bytes.end(), buffer);
        self->position_ += bytes.size();
        return int(bytes.size());
    }

    static int64_t seekTo(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<GIFCheck*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return self->file_.size();
        case SEEK_SET:
            self->position_ = offset;
            return offset;
        case SEEK_CUR:
            self->position_ += offset;
            return self->position_;
        case SEEK_END:
            self->position_ = self->file_.size() + offset;
            return self->position_;
        default:
            return -1;
        }
    }

    InputFile file_;
    qint64 position_ = 0;
    ffmpeg::IoContextPtr io_;
    AVFormatContext* format_ = nullptr;
};

class GIFExportWriter final : public RecordingExportWriter {
public:
    explicit GIFExportWriter(const GIFExportSettings& settings)
        : settings_(settings), destination_(makeDestination(settings.destination)) {
        try {
            file_ = std::make_unique<MovieOutputFile>(destination_.path());
        } catch (const LumbexError&) {
            throw LumbexError(kNotCreated);
        }
        stream_ = std::make_unique<GIFStream>(settings.width, settings.height, settings.loop,
                                              file_->io());
        if (!stream_->open())
            throw LumbexError(kNotCreated);
    }

    void addFrame(const QImage& image, qint64 outputTime) override {
        if (lastTime_ && outputTime <= *lastTime_)
            throw LumbexError(kUnfinished);
        if (!stream_->add(image, gifCentiseconds(outputTime)))
            throw LumbexError(kUnfinished);
        lastTime_ = outputTime;
        ++frames_;
    }

    void addAudio(RecordingAudio, const AudioSample&) override {}

    bool finish(const std::atomic<bool>& cancelled) override {
        if (cancelled)
            return false;
        if (!lastTime_)
            throw LumbexError(kUnfinished);
        // A very short last frame lasts two centiseconds: browsers (and libavformat's reader)
        // show any shorter delay as ten.
        const qint64 finalDelay =
            gifCentiseconds(settings_.durationMicroseconds) - gifCentiseconds(*lastTime_);
        if (!stream_->end(std::max<qint64>(finalDelay, 2)) || !file_->close())
            throw LumbexError(kUnfinished);
        stream_.reset();
        if (!GIFCheck(destination_.path()).holds(frames_))
            throw LumbexError(kUnfinished);
        if (cancelled)
            return false;
        try {
            destination_.moveIntoPlace();
        } catch (const LumbexError&) {
            throw LumbexError(kUnfinished);
        }
        return true;
    }

private:
    static ExportDestination makeDestination(const QString& destination) {
        try {
            return ExportDestination::folder(destination, QStringLiteral("output.gif"));
        } catch (const LumbexError&) {
            throw LumbexError(kNotCreated);
        }
    }

    GIFExportSettings settings_;
    ExportDestination destination_;
    std::unique_ptr<MovieOutputFile> file_;
    std::unique_ptr<GIFStream> stream_;
    std::optional<qint64> lastTime_;
    int frames_ = 0;
};

// Bytes the muxer writes, kept in memory.
class MemoryOutput {
public:
    MemoryOutput() {
        io_ = ffmpeg::makeIoContext(kReadBufferBytes, true, this, nullptr, writeBytes, nullptr);
    }
    AVIOContext* io() const { return io_.get(); }
    qint64 bytes() {
        avio_flush(io_.get());
        return bytes_;
    }

private:
    static int writeBytes(void* opaque, uint8_t*, int size) {
        static_cast<MemoryOutput*>(opaque)->bytes_ += size;
        return size;
    }

    ffmpeg::IoContextPtr io_;
    qint64 bytes_ = 0;
};

} // namespace

std::unique_ptr<RecordingExportWriter> openGIFExport(const GIFExportSettings& settings) {
    if (settings.fps < 1 || settings.fps > 10 || !fitsGIF(settings.width, settings.height))
        throw LumbexError(kTooLarge);
    return std::make_unique<GIFExportWriter>(settings);
}

qint64 estimateGIFBytes(const std::vector<QImage>& samples, qint64 sampleDelayMicroseconds,
                        bool loop, int frameCount) {
    if (samples.empty() || frameCount < 1)
        throw LumbexError(kEstimateUnavailable);
    const QSize size = samples.front().size();
    if (!fitsGIF(size.width(), size.height()))
        throw LumbexError(kEstimateTooLarge);
    try {
        MemoryOutput output;
        GIFStream stream(size.width(), size.height(), loop, output.io());
        bool written = output.io() && stream.open();
        for (size_t i = 0; written && i < samples.size(); ++i)
            written = stream.add(samples[i], gifCentiseconds(qint64(i) * sampleDelayMicroseconds));
        written = written && stream.end(gifCentiseconds(sampleDelayMicroseconds));
        if (!written)
            throw LumbexError(kEstimateUnavailable);
        return output.bytes() * frameCount / qint64(samples.size());
    } catch (const LumbexError&) {
        throw LumbexError(kEstimateUnavailable);
    }
}

} // namespace lumbex
