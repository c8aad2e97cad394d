#pragma once

#include "model/note_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/recording_media.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"
#include "support/temporary_folder.h"

#include <QColor>
#include <QDir>

namespace lumbex::test {

// Segment files written by the movie writer into a folder, described as a recording.
class SegmentFolder {
public:
    // A segment of `seconds` whose pictures all have `colour` and change every 100 ms.
    void addSegment(QColor colour, qint64 seconds, std::vector<RecordingAudio> audio = {},
                    QSize size = {160, 120}) {
        const Id id = newId();
        const QString path = QDir(folder_.path()).filePath(idString(id) + QStringLiteral(".mov"));
        std::vector<Picture> pictures;
        for (qint64 time = 0; time < seconds * 1'000'000; time += 100'000)
            pictures.push_back({time, colour, size});
        std::vector<Sound> sounds;
        for (const RecordingAudio role : audio)
            for (Sound& sound : toneFor(role, seconds))
                sounds.push_back(std::move(sound));
        writeMovie(movieSettings(path, size.width(), size.height(), audio), pictures,
                   seconds * 1'000'000, sounds);
        recording_.segments.push_back(inspectRecordingSegment(path, id));
    }

    QString path() const { return folder_.path(); }
    QString segmentFile(size_t index) const {
        return QDir(path()).filePath(recording_.segments.at(index).filename());
    }
    ScreenRecording& recording() { return recording_; }
    const ScreenRecording& recording() const { return recording_; }
    qint64 segmentStart(size_t index) const {
        qint64 start = 0;
        for (size_t i = 0; i < index; ++i)
            start += recording_.segments[i].duration;
        return start;
    }

    RecordingComposition compose(std::optional<int> longestSide = std::nullopt) const {
        return RecordingComposition::make(recording_, path(), longestSide, true,
                                          openSegmentPictures);
    }

private:
    TemporaryFolder folder_;
    ScreenRecording recording_ = ScreenRecording::make();
};

} // namespace lumbex::test
