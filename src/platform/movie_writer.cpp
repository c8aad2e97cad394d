#include "core/error.h"
#include "platform/audio_encoder.h"
#include "platform/ffmpeg_support.h"
#include "platform/movie_output_file.h"
#include "platform/recording_media.h"
#include "platform/video_encoder.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

#include <optional>

namespace lumbex {
namespace {

constexpr AVRational kMicroseconds{1, 1'000'000};
// The longest stretch of written media kept in the muxer before it goes to disk as a fragment.
constexpr qint64 kFragmentFlushMicroseconds = 1'000'000;

struct AudioTrack {
    RecordingAudio role;
    std::unique_ptr<AudioEncoder> encoder;
    AVStream* stream = nullptr;
};

struct MuxerDeleter {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};

// A fragmented QuickTime movie on a file of our own: every fragment is flushed to disk as soon as
// the muxer writes it, so that a crash keeps the movie readable up to its last fragment.
class FfmpegMovieWriter final : public MovieWriter {
public:
    explicit FfmpegMovieWriter(const MovieSettings& settings)
        : video_(settings.width, settings.height, settings.videoBitRate,
                 qint64(settings.fragmentSeconds * 1'000'000), true) {
        for (RecordingAudio role : settings.audio)
            audio_.push_back({role, std::make_unique<AudioEncoder>(true)});
        AVFormatContext* muxer = nullptr;
        if (avformat_alloc_output_context2(&muxer, nullptr, "mov", nullptr) < 0 || !muxer)
            throw std::bad_alloc();
        muxer_.reset(muxer);
        videoStream_ = addStream(video_.context(), kMicroseconds);
        if (!videoStream_)
            throw LumbexError(QStringLiteral("The video encoder could not be prepared."));
        for (AudioTrack& track : audio_) {
            track.stream = addStream(track.encoder->context(), {1, kRecordingAudioRate});
            if (!track.stream)
                throw LumbexError(QStringLiteral("The audio encoder could not be prepared."));
            av_dict_set(&track.stream->metadata, "handler_name",
                        trackTitle(track.role).toUtf8().constData(), 0);
        }
        file_ = std::make_unique<MovieOutputFile>(settings.path);
        muxer_->pb = file_->io();
        muxer_->flags |= AVFMT_FLAG_CUSTOM_IO;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        // Every track keeps its own start: without an edit list the muxer would otherwise move
        // a track's first sample to 0 (a late first picture or sound would play too early).
        av_dict_set(&options, "use_editlist", "0", 0);
        muxer_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_MAKE_NON_NEGATIVE;
        const int written = avformat_write_header(muxer_.get(), &options);
        av_dict_free(&options);
        if (written < 0 || !file_->syncWritten())
            file_->throwFailure();
    }

    ~FfmpegMovieWriter() override { cancel(); }

    void startSession(qint64 time) override { sessionStart_ = time; }

    bool appendVideo(const VideoSample& sample) override {
        if (!accepting() || (lastVideo_ && sample.time <= *lastVideo_))
            return false;
        const bool encoded = video_.encode(sample.image, sample.time - *sessionStart_,
                                           [&](AVPacket& p) { return writeVideo(p); });
        if (!encoded)
            return false;
        // The first picture goes to disk at once: a recording killed within its first second
        // still leaves a segment that can be recovered.
        if (!lastVideo_ && !flushFragment())
            return false;
        lastVideo_ = sample.time;
        return !failed_;
    }

    bool appendAudio(RecordingAudio role, const AudioSample& sample) override {
        AudioTrack* track = trackFor(role);
        if (!accepting() || !track)
            return false;
        return track->encoder->append(sample, sample.time - *sessionStart_, [&](AVPacket& p) {
            return writeAudio(*track, p);
        }) && !failed_;
    }

    // The caller has appended a last picture that ends at the session's end; what remains is
    // draining the encoders.
    void endSession(qint64) override {
        if (!accepting())
            return;
        ended_ = true;
        if (!video_.drain([&](AVPacket& p) { return writeVideo(p); }))
            failed_ = true;
        for (AudioTrack& track : audio_)
            if (track.encoder->hasSamples() &&
                !track.encoder->finish([&](AVPacket& p) { return writeAudio(track, p); }))
                failed_ = true;
    }

    bool finish() override {
        if (closed_)
            return false;
        if (sessionStart_ && !ended_)
            endSession(0);
        const bool trailerWritten = !failed_ && av_write_trailer(muxer_.get()) >= 0;
        const bool synced = trailerWritten && file_->syncWritten();
        const bool closed = file_->close();
        closed_ = true;
        return trailerWritten && synced && closed;
    }

    std::optional<LumbexError> writeFailure() const override { return file_->failure(); }

    void cancel() override {
        if (closed_)
            return;
        closed_ = true;
        file_->close();
    }

private:
    bool accepting() const { return sessionStart_ && !ended_ && !closed_ && !failed_; }

    AudioTrack* trackFor(RecordingAudio role) {
        for (AudioTrack& track : audio_)
            if (track.role == role)
                return &track;
        return nullptr;
    }

    AVStream* addStream(const AVCodecContext& codec, AVRational timeBase) {
        AVStream* stream = avformat_new_stream(muxer_.get(), nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, &codec) < 0)
            return nullptr;
        stream->time_base = timeBase;
        return stream;
    }

    bool writeVideo(AVPacket& packet) {
        return writePacket(packet, *videoStream_, video_.context().time_base);
    }

    bool writeAudio(AudioTrack& track, AVPacket& packet) {
        return writePacket(packet, *track.stream, track.encoder->context().time_base);
    }

    // Writes one packet and puts any fragment the muxer closed onto the disk. A fragment is also
    // closed once it holds a second of media, so that a crash loses little even while the
    // picture stays still (no key frames arrive to close one).
    bool writePacket(AVPacket& packet, AVStream& stream, AVRational codecTimeBase) {
        const qint64 time = av_rescale_q(packet.pts, codecTimeBase, kMicroseconds);
        if (fragmentStart_ && time - *fragmentStart_ >= kFragmentFlushMicroseconds &&
            !flushFragment())
            return false;
        packet.stream_index = stream.index;
        av_packet_rescale_ts(&packet, codecTimeBase, stream.time_base);
        // Each fragment starts at its first packet's own time. Otherwise the muxer moves that
        // packet back to where the previous fragment ended (one frame after its last picture),
        // and a picture that follows a still screen would show too early.
        if (av_opt_set(muxer_->priv_data, "movflags", "+frag_discont", 0) < 0)
            return fail();
        if (av_write_frame(muxer_.get(), &packet) < 0)
            return fail();
        bool wroteFragment = false;
        if (!file_->syncWritten(&wroteFragment))
            return fail();
        // A fragment the muxer closed by itself ends just before this packet.
        if (wroteFragment || !fragmentStart_)
            fragmentStart_ = time;
        return true;
    }

    // Closes the fragment being built and puts it onto the disk.
    bool flushFragment() {
        if (av_write_frame(muxer_.get(), nullptr) < 0 || !file_->syncWritten())
            return fail();
        fragmentStart_.reset();
        return true;
    }

    bool fail() {
        failed_ = true;
        return false;
    }

    VideoEncoder video_;
    std::vector<AudioTrack> audio_;
    std::unique_ptr<AVFormatContext, MuxerDeleter> muxer_;
    AVStream* videoStream_ = nullptr;
    std::unique_ptr<MovieOutputFile> file_;
    std::optional<qint64> sessionStart_;
    std::optional<qint64> lastVideo_;
    std::optional<qint64> fragmentStart_;
    bool ended_ = false;
    bool failed_ = false;
    bool closed_ = false;
};

} // namespace

std::unique_ptr<MovieWriter> openMovieWriter(const MovieSettings& settings) {
    return std::make_unique<FfmpegMovieWriter>(settings);
}

} // namespace lumbex
