#include "core/error.h"
#include "platform/audio_encoder.h"
#include "platform/encoder_parts.h"
#include "platform/export_destination.h"
#include "platform/picture_fitter.h"
#include "platform/recording_export.h"
#include "platform/seekable_output_file.h"
#include "platform/yuv_frame_composer.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QUuid>
#include <optional>
#include <set>

namespace lumbex {
namespace {

const QString kUnavailable = QStringLiteral("MP4 export is unavailable.");
const QString kMismatch = QStringLiteral("The exported movie did not match the selected range or "
                                         "dimensions. The previous file has been kept.");
const QString kAudioMismatch =
    QStringLiteral("The exported audio did not match the selected sound options.");
constexpr AVRational kMicroseconds{1, 1'000'000};
constexpr qint64 kDurationTolerance = 67'000;
// More than the encoder's look-ahead and B-frame delay at the "veryfast" preset.
constexpr size_t kReorderedFrames = 64;

struct MuxerDeleter {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};

struct AudioTrack {
    RecordingAudio kind;
    std::unique_ptr<AudioEncoder> encoder;
    AVStream* stream = nullptr;
};

// Quality-driven rate control at the "veryfast" speed, B-frames included (an eighth smaller at
// the same quality). Key frames every two seconds.
void openVideoEncoder(EncoderParts& video, int width, int height, int frameRate) {
    AVCodecContext& c = *video.context;
    c.width = width;
    c.height = height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = kMicroseconds;
    c.framerate = {frameRate, 1};
    c.gop_size = frameRate * 2;
    c.color_primaries = AVCOL_PRI_BT709;
    c.color_trc = AVCOL_TRC_BT709;
    c.colorspace = AVCOL_SPC_BT709;
    c.color_range = AVCOL_RANGE_MPEG;
    c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c.priv_data, "preset", "veryfast", 0);
    av_opt_set(c.priv_data, "crf", "23", 0);
    if (avcodec_open2(&c, video.codec(), nullptr) < 0)
        throw LumbexError(kUnavailable);
    AVFrame& frame = *video.frame;
    frame.format = AV_PIX_FMT_YUV420P;
    frame.width = c.width;
    frame.height = c.height;
    frame.color_primaries = AVCOL_PRI_BT709;
    frame.color_trc = AVCOL_TRC_BT709;
    frame.colorspace = AVCOL_SPC_BT709;
    frame.color_range = AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(&frame, 0) < 0)
        throw LumbexError(kUnavailable);
}

class MP4ExportWriter final : public RecordingExportWriter {
public:
    explicit MP4ExportWriter(const MP4ExportSettings& settings)
        : settings_(settings), video_("libx264", kUnavailable),
          fitter_(settings.width, settings.height), composer_(settings.width, settings.height),
          destination_(ExportDestination::file(settings.destination, QStringLiteral(".mp4"))) {
        openVideoEncoder(video_, settings.width, settings.height, settings.frameRate);
        try {
            for (RecordingAudio kind : settings.audio)
                audio_.push_back({kind, std::make_unique<AudioEncoder>(true)});
        } catch (const LumbexError&) {
            throw LumbexError(kUnavailable);
        }
        AVFormatContext* muxer = nullptr;
        if (avformat_alloc_output_context2(&muxer, nullptr, "mp4", nullptr) < 0 || !muxer)
            throw LumbexError(kUnavailable);
        muxer_.reset(muxer);
        videoStream_ = addStream(*video_.context, kMicroseconds);
        for (AudioTrack& track : audio_) {
            track.stream = addStream(track.encoder->context(), {1, kRecordingAudioRate});
            av_dict_set(&track.stream->metadata, "handler_name",
                        trackTitle(track.kind).toUtf8().constData(), 0);
        }
        file_ = std::make_unique<SeekableOutputFile>(destination_.path());
        muxer_->pb = file_->io();
        muxer_->flags |= AVFMT_FLAG_CUSTOM_IO;
        file_->serveReopening(*muxer_);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "+faststart", 0);
        const int written = avformat_write_header(muxer_.get(), &options);
        av_dict_free(&options);
        if (written < 0)
            throwWriteFailure();
    }

    void addFrame(const QImage& image, qint64 outputTime) override {
        AVFrame& frame = writableFrame(outputTime);
        if (!fitter_.fit(image.convertToFormat(QImage::Format_RGB32), frame))
            throwWriteFailure();
        encode(frame, outputTime);
    }

    // Decoded YUV pictures are cropped, blacked out and scaled in YUV: no conversion to RGB and
    // back for every frame.
    void addPicture(const DecodedPicture& source, const FrameLayout& layout,
                    qint64 outputTime) override {
        const AVFrame* decoded = source.frame();
        if (!decoded || !YUVFrameComposer::accepts(*decoded)) {
            RecordingExportWriter::addPicture(source, layout, outputTime);
            return;
        }
        AVFrame& frame = writableFrame(outputTime);
        if (!composer_.compose(*decoded, layout, frame))
            throwWriteFailure();
        encode(frame, outputTime);
    }

    void addAudio(RecordingAudio kind, const AudioSample& sample) override {
        for (AudioTrack& track : audio_)
            if (track.kind == kind && !track.encoder->append(sample, sample.time, [&](AVPacket& p) {
                    return writeAudio(track, p);
                }))
                throwWriteFailure();
    }

    bool finish(const std::atomic<bool>& cancelled) override {
        if (cancelled)
            return false;
        if (frameTimes_.empty() ||
            !video_.send(nullptr, [this](AVPacket& p) { return writeVideo(p); }))
            throwWriteFailure();
        for (AudioTrack& track : audio_)
            if (track.encoder->hasSamples() &&
                !track.encoder->finish([&](AVPacket& p) { return writeAudio(track, p); }))
                throwWriteFailure();
        if (av_write_trailer(muxer_.get()) < 0 || !file_->close())
            throwWriteFailure();
        check();
        if (cancelled)
            return false;
        destination_.moveIntoPlace();
        return true;
    }

private:
    AVStream* addStream(const AVCodecContext& codec, AVRational timeBase) {
        AVStream* stream = avformat_new_stream(muxer_.get(), nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, &codec) < 0)
            throw LumbexError(kUnavailable);
        stream->time_base = timeBase;
        return stream;
    }

    // A picture shows until the next one, the last until the end of the range. Packets leave the
    // encoder in decoding order, so the next picture is looked up among those sent.
    bool writeVideo(AVPacket& packet) {
        const auto next = frameTimes_.upper_bound(packet.pts);
        const qint64 end = next != frameTimes_.end()
                               ? *next
                               : std::max<qint64>(settings_.durationMicroseconds, packet.pts + 1);
        packet.duration = end - packet.pts;
        // The encoder holds back only a few pictures; older times are no longer asked for.
        while (frameTimes_.size() > kReorderedFrames)
            frameTimes_.erase(frameTimes_.begin());
        return writePacket(packet, *videoStream_, kMicroseconds);
    }

    bool writeAudio(AudioTrack& track, AVPacket& packet) {
        return writePacket(packet, *track.stream, track.encoder->context().time_base);
    }

    bool writePacket(AVPacket& packet, AVStream& stream, AVRational codecTimeBase) {
        packet.stream_index = stream.index;
        av_packet_rescale_ts(&packet, codecTimeBase, stream.time_base);
        return av_interleaved_write_frame(muxer_.get(), &packet) >= 0;
    }

    AVFrame& writableFrame(qint64 outputTime) {
        if (!frameTimes_.empty() && outputTime <= *frameTimes_.rbegin())
            throw LumbexError(kMismatch);
        AVFrame& frame = *video_.frame;
        if (av_frame_make_writable(&frame) < 0)
            throwWriteFailure();
        return frame;
    }

    void encode(AVFrame& frame, qint64 outputTime) {
        frame.pts = outputTime;
        frameTimes_.insert(outputTime);
        if (!video_.send(&frame, [this](AVPacket& p) { return writeVideo(p); }))
            throwWriteFailure();
    }

    [[noreturn]] void throwWriteFailure() const {
        if (file_ && file_->failure())
            throw *file_->failure();
        throw LumbexError(kMismatch);
    }

    // The written movie read back as a segment would be.
    void check() const {
        MovieOutline written;
        try {
            written = outlineMovie(destination_.path());
        } catch (const LumbexError&) {
            throw LumbexError(kMismatch);
        }
        if (written.width != settings_.width || written.height != settings_.height ||
            std::abs(written.duration - settings_.durationMicroseconds) > kDurationTolerance)
            throw LumbexError(kMismatch);
        if (written.audioTracks.empty() != settings_.audio.empty())
            throw LumbexError(kAudioMismatch);
    }

    MP4ExportSettings settings_;
    EncoderParts video_;
    PictureFitter fitter_;
    YUVFrameComposer composer_;
    std::vector<AudioTrack> audio_;
    ExportDestination destination_;
    std::unique_ptr<AVFormatContext, MuxerDeleter> muxer_;
    AVStream* videoStream_ = nullptr;
    std::unique_ptr<SeekableOutputFile> file_;
    // Times of the latest pictures sent.
    std::set<qint64> frameTimes_;
};

bool validSize(const MP4ExportSettings& settings) {
    return settings.width >= 2 && settings.height >= 2 && settings.width % 2 == 0 &&
           settings.height % 2 == 0 && settings.frameRate >= 1;
}

} // namespace

std::unique_ptr<RecordingExportWriter> openMP4Export(const MP4ExportSettings& settings) {
    if (!validSize(settings))
        throw LumbexError(kUnavailable);
    return std::make_unique<MP4ExportWriter>(settings);
}

// The sample pictures are encoded in memory as consecutive frames at the export's frame rate,
// with the export's encoder settings; their bytes over their own duration give the video bit
// rate for this content. The estimate is that bit rate over the range's duration, plus the AAC
// bit rate of every sound track over the same duration, plus 1 % for the MP4 index and headers.
std::optional<qint64> estimateMP4Bytes(const MP4ExportSettings& settings,
                                       const std::vector<QImage>& samples) {
    if (!validSize(settings) || samples.empty() || settings.durationMicroseconds <= 0)
        return std::nullopt;
    try {
        EncoderParts video("libx264", kUnavailable);
        openVideoEncoder(video, settings.width, settings.height, settings.frameRate);
        PictureFitter fitter(settings.width, settings.height);
        qint64 videoBytes = 0;
        const PacketWriter count = [&](AVPacket& packet) {
            videoBytes += packet.size;
            return true;
        };
        for (size_t i = 0; i < samples.size(); ++i) {
            AVFrame& frame = *video.frame;
            if (av_frame_make_writable(&frame) < 0 ||
                !fitter.fit(samples[i].convertToFormat(QImage::Format_RGB32), frame))
                return std::nullopt;
            frame.pts = qint64(i) * 1'000'000 / settings.frameRate;
            if (!video.send(&frame, count))
                return std::nullopt;
        }
        if (!video.send(nullptr, count))
            return std::nullopt;
        const double sampleSeconds = double(samples.size()) / settings.frameRate;
        const double seconds = double(settings.durationMicroseconds) / 1e6;
        double bytes = double(videoBytes) / sampleSeconds * seconds;
        for (size_t i = 0; i < settings.audio.size(); ++i)
            bytes += double(AudioEncoder(true).context().bit_rate) / 8 * seconds;
        return qint64(bytes * 1.01);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

} // namespace lumbex
