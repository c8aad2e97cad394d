#include "platform/lumbex_module.h"
#include "platform/media_module.h"

// The media entry points of the executable: each opens the media module on first use and calls
// its own implementation there.
namespace lumbex {
namespace {

const MediaModule& media() {
    return lumbexModule<MediaModule>(kMediaModuleFile, kMediaModuleEntry);
}

} // namespace

std::unique_ptr<MovieWriter> openMovieWriter(const MovieSettings& settings) {
    return media().openMovieWriter(settings);
}

RecordingSegment inspectRecordingSegment(const QString& file, const Id& id,
                                         std::optional<qint64> hostStart,
                                         std::optional<qint64> hostEnd, qint64 droppedVideo,
                                         qint64 droppedAudio) {
    return media().inspectRecordingSegment(file, id, hostStart, hostEnd, droppedVideo,
                                           droppedAudio);
}

QImage readRecordingFrame(const QString& file, qint64 time) {
    return media().readRecordingFrame(file, time);
}

std::unique_ptr<SegmentPictures> openSegmentPictures(const QString& file) {
    return media().openSegmentPictures(file);
}

void readSegmentSound(const QString& file, qint32 trackId, qint64 start, qint64 end,
                      const SegmentSoundSink& sink) {
    media().readSegmentSound(file, trackId, start, end, sink);
}

std::unique_ptr<RecordingExportWriter> openMP4Export(const MP4ExportSettings& settings) {
    return media().openMP4Export(settings);
}

std::optional<qint64> estimateMP4Bytes(const MP4ExportSettings& settings,
                                       const std::vector<QImage>& samples) {
    return media().estimateMP4Bytes(settings, samples);
}

std::unique_ptr<RecordingExportWriter> openGIFExport(const GIFExportSettings& settings) {
    return media().openGIFExport(settings);
}

qint64 estimateGIFBytes(const std::vector<QImage>& samples, qint64 sampleDelayMicroseconds,
                        bool loop, int frameCount) {
    return media().estimateGIFBytes(samples, sampleDelayMicroseconds, loop, frameCount);
}

} // namespace lumbex
