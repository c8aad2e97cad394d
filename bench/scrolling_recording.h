#pragma once

#include "platform/recording_media.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"
#include "recording/recording_segment_writer.h"
#include "screenshot.h"

#include <QDir>
#include <QTemporaryDir>
#include <stdexcept>

namespace lumbex::bench {

constexpr int kMovieWidth = 1920;
constexpr int kMovieHeight = 1080;
constexpr qint64 kFrame = 1'000'000 / 30;
constexpr qint64 kSeconds = 3;
constexpr qint64 kSessionStart = 1'000'000'000;

// Three seconds of a desktop scrolling by seven pixels a frame, written the way the recorder
// writes it: every picture differs from the one before, the worst case for decoding forward from
// a key frame.
class ScrollingSegment {
public:
    ScrollingSegment() {
        QImage desktop;
        desktop.loadFromData(screenshotPng(7));
        desktop = desktop.scaledToWidth(kMovieWidth, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);
        const Id id = newId();
        const QString path = QDir(folder_.path()).filePath(idString(id) + QStringLiteral(".mov"));
        const auto writer =
            openMovieWriter({path,
                             kMovieWidth,
                             kMovieHeight,
                             RecordingSegmentWriter::videoBitRate(kMovieWidth, kMovieHeight),
                             2,
                             {}});
        writer->startSession(kSessionStart);
        const int travel = desktop.height() - kMovieHeight;
        for (qint64 time = 0, frame = 0; time < kSeconds * 1'000'000; time += kFrame, ++frame) {
            const int offset = int(frame * 7 % travel);
            writer->appendVideo(
                {desktop.copy(0, offset, kMovieWidth, kMovieHeight), kSessionStart + time});
        }
        writer->endSession(kSessionStart + kSeconds * 1'000'000);
        if (!writer->finish())
            throw std::runtime_error("the segment could not be written");
        recording_.segments.push_back(inspectRecordingSegment(path, id));
    }

    RecordingComposition compose() const {
        return RecordingComposition::make(recording_, folder_.path(), std::nullopt, false,
                                          openSegmentPictures);
    }

private:
    QTemporaryDir folder_;
    ScreenRecording recording_ = ScreenRecording::make();
};

inline const ScrollingSegment& segment() {
    static const ScrollingSegment made;
    return made;
}

} // namespace lumbex::bench
