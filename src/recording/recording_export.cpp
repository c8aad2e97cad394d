#include "recording/recording_export.h"

#include "recording/recording_frame_stream.h"
#include "recording/recording_gif_timing.h"

namespace lumbex {
namespace {

constexpr int kMP4FrameRate = 30;
constexpr qint64 kMP4EstimateSample = 2'000'000;

// The composed movie sampled at non-decreasing output times: the picture on screen at each,
// read forward through the frame stream without seeking.
class FramesAtTimes {
public:
    explicit FramesAtTimes(const RecordingComposition& composition) : stream_(composition) {
        shown_ = stream_.next();
        ahead_ = stream_.next();
    }

    // Null when the movie has no picture.
    const ComposedFrame* at(qint64 outputTime) {
        while (ahead_ && ahead_->outputTime <= outputTime) {
            shown_ = std::move(ahead_);
            ahead_ = stream_.next();
        }
        return shown_ ? &*shown_ : nullptr;
    }

private:
    RecordingFrameStream stream_;
    std::optional<ComposedFrame> shown_;
    std::optional<ComposedFrame> ahead_;
};

MP4ExportSettings mp4Settings(const RecordingComposition& composition, const QString& destination) {
    MP4ExportSettings settings;
    settings.destination = destination;
    settings.width = composition.size().width;
    settings.height = composition.size().height;
    settings.frameRate = kMP4FrameRate;
    settings.durationMicroseconds = composition.duration();
    for (const CompositionPiece& piece : composition.pieces())
        for (const RecordingAudio kind : piece.audio)
            if (std::find(settings.audio.begin(), settings.audio.end(), kind) ==
                settings.audio.end())
                settings.audio.push_back(kind);
    std::sort(settings.audio.begin(), settings.audio.end());
    return settings;
}

// Sound of every placed kind under `piece`, timed in output µs.
void addPieceSound(const RecordingComposition& composition, const CompositionPiece& piece,
                   const RecordingExportMedia& media, RecordingExportWriter& writer) {
    const RecordingSegment& segment = composition.recording().segments.at(piece.segmentIndex);
    const qint64 toOutput =
        piece.source.start - composition.recording().selectedRange().start - piece.fileStart;
    for (const RecordingAudio kind : piece.audio) {
        const auto track = segment.audioTracks.find(kind);
        if (track == segment.audioTracks.end())
            continue;
        media.readSound(piece.file, track->second, piece.fileStart,
                        piece.fileTime(piece.source.end), [&](const AudioSample& sample) {
                            AudioSample placed = sample;
                            placed.time += toOutput;
                            writer.addAudio(kind, placed);
                        });
    }
}

double fraction(qint64 part, qint64 whole) {
    return whole > 0 ? std::clamp(double(part) / double(whole), 0.0, 1.0) : 1.0;
}

} // namespace

bool exportRecordingMP4(const RecordingComposition& composition, const QString& destination,
                        const RecordingExportMedia& media, const std::atomic<bool>& cancelled,
                        const ExportProgress& progress) {
    const MP4ExportSettings settings = mp4Settings(composition, destination);
    const std::unique_ptr<RecordingExportWriter> writer = media.openMP4(settings);
    const qint64 rangeStart = composition.recording().selectedRange().start;
    RecordingFrameStream stream(composition);
    // Each piece's sound goes in when the pictures reach it, keeping the muxer's queue short.
    size_t soundPieces = 0;
    while (!cancelled) {
        const std::optional<ComposedFrame> frame = stream.next();
        if (!frame)
            break;
        const std::vector<CompositionPiece>& pieces = composition.pieces();
        while (soundPieces < pieces.size() &&
               pieces[soundPieces].source.start - rangeStart <= frame->outputTime)
            addPieceSound(composition, pieces[soundPieces++], media, *writer);
        writer->addPicture(*frame->source, frame->layout, frame->outputTime);
        if (progress)
            progress(fraction(frame->outputTime, settings.durationMicroseconds));
    }
    for (; !cancelled && soundPieces < composition.pieces().size(); ++soundPieces)
        addPieceSound(composition, composition.pieces()[soundPieces], media, *writer);
    const bool finished = writer->finish(cancelled);
    if (finished && progress)
        progress(1);
    return finished;
}

bool exportRecordingGIF(const RecordingComposition& composition, const QString& destination,
                        GIFOptions options, const RecordingExportMedia& media,
                        const std::atomic<bool>& cancelled, const ExportProgress& progress) {
    const RecordingGIFTiming timing(composition.duration(), options.fps);
    GIFExportSettings settings;
    settings.destination = destination;
    settings.width = composition.size().width;
    settings.height = composition.size().height;
    settings.fps = options.fps;
    settings.durationMicroseconds = composition.duration();
    settings.loop = options.loop;
    const std::unique_ptr<RecordingExportWriter> writer = media.openGIF(settings);
    FramesAtTimes frames(composition);
    for (int i = 0; i < timing.frameCount() && !cancelled; ++i) {
        const ComposedFrame* frame = frames.at(timing.time(i));
        if (!frame)
            break;
        writer->addPicture(*frame->source, frame->layout, timing.time(i));
        if (progress && (i % 10 == 0 || i + 1 == timing.frameCount()))
            progress(double(i + 1) / timing.frameCount());
    }
    return writer->finish(cancelled);
}

std::optional<qint64> estimateRecordingMP4(const RecordingComposition& composition,
                                           const RecordingExportMedia& media) {
    const MP4ExportSettings settings = mp4Settings(composition, {});
    const qint64 sampled = std::min(composition.duration(), kMP4EstimateSample);
    FramesAtTimes frames(composition);
    std::vector<QImage> samples;
    for (qint64 i = 0; i * 1'000'000 / kMP4FrameRate < sampled; ++i)
        if (const ComposedFrame* frame = frames.at(i * 1'000'000 / kMP4FrameRate))
            samples.push_back(frame->render());
    return media.estimateMP4(settings, samples);
}

qint64 estimateRecordingGIF(const RecordingComposition& composition, GIFOptions options,
                            const RecordingExportMedia& media) {
    const RecordingGIFTiming timing(composition.duration(), options.fps);
    FramesAtTimes frames(composition);
    std::vector<QImage> samples;
    for (const int index : timing.sampleIndices())
        if (const ComposedFrame* frame = frames.at(timing.time(index)))
            samples.push_back(frame->render());
    return media.estimateGIF(samples, 1'000'000 / options.fps, options.loop, timing.frameCount());
}

} // namespace lumbex
