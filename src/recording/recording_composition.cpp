#include "recording/recording_composition.h"

#include "core/error.h"
#include "model/recording_files.h"
#include "recording/recording_frame_rendering.h"

#include <QDir>
#include <algorithm>

namespace lumbex {
namespace {

const QString kNoVideo = QStringLiteral("A recording segment has no video.");

std::vector<RecordingAudio> placedAudio(const ScreenRecording& recording,
                                        const RecordingSegment& segment) {
    std::vector<RecordingAudio> audio;
    const std::pair<RecordingAudio, bool> kinds[] = {
        {RecordingAudio::System, recording.muteSystem},
        {RecordingAudio::Microphone, recording.muteMicrophone}};
    for (const auto& [kind, muted] : kinds)
        if (!muted && segment.audioTracks.contains(kind))
            audio.push_back(kind);
    return audio;
}

} // namespace

RecordingComposition RecordingComposition::make(const ScreenRecording& recording,
                                                const QString& directory,
                                                std::optional<int> longestSide, bool even,
                                                const SegmentPicturesOpener& open) {
    recording.validate();
    RecordingComposition composition;
    composition.recording_ = recording;
    composition.open_ = open;
    const Rect visible = recording.visibleRect();
    composition.size_ = RecordingOutputSize::make(visible.width, visible.height, longestSide, even);

    const RecordingRange range = recording.selectedRange();
    qint64 segmentStart = 0;
    for (size_t index = 0; index < recording.segments.size(); ++index) {
        const RecordingSegment& segment = recording.segments[index];
        const RecordingRange covered{segmentStart, segmentStart + segment.duration};
        segmentStart = covered.end;
        const RecordingRange overlap{std::max(covered.start, range.start),
                                     std::min(covered.end, range.end)};
        if (overlap.duration() <= 0)
            continue;
        const QString file = QDir(directory).filePath(segment.filename());
        RecordingFiles::verify(file, segment);
        if (!open(file))
            throw LumbexError(kNoVideo);
        CompositionPiece piece{index, file, overlap,
                               segment.sourceStart + overlap.start - covered.start,
                               placedAudio(recording, segment)};
        composition.hasAudio_ = composition.hasAudio_ || !piece.audio.empty();
        composition.pieces_.push_back(std::move(piece));
    }
    return composition;
}

std::optional<CompositionPlace> RecordingComposition::placeAt(qint64 outputTime) const {
    const qint64 sourceTime = recording_.selectedRange().start + outputTime;
    if (outputTime < 0)
        return std::nullopt;
    const auto piece = std::find_if(pieces_.begin(), pieces_.end(),
                                    [&](const auto& p) { return p.source.contains(sourceTime); });
    if (piece == pieces_.end())
        return std::nullopt;
    return CompositionPlace{&*piece, sourceTime, piece->fileTime(sourceTime)};
}

ComposedFrame RecordingComposition::frameAt(qint64 sourceTime) const {
    const std::optional<qint64> outputTime = recording_.outputTime(sourceTime);
    const std::optional<CompositionPlace> place = outputTime ? placeAt(*outputTime) : std::nullopt;
    if (!place)
        throw LumbexError(QStringLiteral("That frame is outside the selected recording range."));
    const std::unique_ptr<SegmentPictures> pictures = open_(place->piece->file);
    if (!pictures)
        throw LumbexError(kNoVideo);
    pictures->seek(place->fileTime);
    const std::optional<SegmentPicture> picture = pictures->next();
    if (!picture)
        throw LumbexError(kNoVideo);
    return {*outputTime, sourceTime, picture->picture,
            recordingFrameLayout(recording_, sourceTime, size_)};
}

QImage ComposedFrame::render() const {
    const QImage image = source->image();
    if (image.isNull())
        throw LumbexError(QStringLiteral("The recording contains no readable video."));
    return renderFrame(image, layout);
}

} // namespace lumbex
