#pragma once

#include "core/dates.h"
#include "core/ids.h"
#include "core/rect.h"
#include "records/recording_range.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace lumbex {

enum class RecordingAudio { System, Microphone };
QString rawValue(RecordingAudio audio);
std::optional<RecordingAudio> recordingAudioFromRaw(QStringView raw);
// The title written on the audio track inside each segment file.
QString trackTitle(RecordingAudio audio);

enum class RecordingRecovery { Complete, Partial };
QString rawValue(RecordingRecovery recovery);
std::optional<RecordingRecovery> recordingRecoveryFromRaw(QStringView raw);

// One movie segment file of a screen recording. Times in microseconds.
struct RecordingSegment {
    Id id;
    qint64 width = 0;
    qint64 height = 0;
    qint64 sourceStart = 0;
    qint64 duration = 0;
    std::optional<qint64> hostStart;
    std::optional<qint64> hostEnd;
    QString sha256;
    qint64 byteCount = 0;
    std::map<RecordingAudio, qint32> audioTracks;
    qint64 droppedVideo = 0;
    qint64 droppedAudio = 0;

    friend bool operator==(const RecordingSegment&, const RecordingSegment&) = default;
    QString filename() const { return idString(id) + QStringLiteral(".mov"); }
};

// A rectangle blacked out in the source video over a range of source time.
struct RecordingRedaction {
    Id id;
    RecordingRange range;
    Rect rect;

    friend bool operator==(const RecordingRedaction&, const RecordingRedaction&) = default;
};

// A screen recording: its segments concatenated form the source timeline (pauses excluded).
struct ScreenRecording {
    Id id;
    QString title = QStringLiteral("Recording");
    Date createdAt = 0;
    std::vector<RecordingSegment> segments;
    std::optional<RecordingRange> trim;
    std::optional<Rect> crop;
    bool muteSystem = false;
    bool muteMicrophone = false;
    std::vector<RecordingRedaction> redactions;
    std::optional<RecordingRecovery> recovery;

    friend bool operator==(const ScreenRecording&, const ScreenRecording&) = default;

    static ScreenRecording make();

    qint64 duration() const;
    RecordingRange selectedRange() const;
    Rect extent() const;
    Rect visibleRect() const;
    // What a viewer of the exported movie sees at source time t, or nothing outside the trim.
    std::optional<qint64> outputTime(qint64 t) const;
    // Start, middle and one 30 fps frame before the end of the selection; sorted, unique.
    std::vector<qint64> suggestedFrameTimes() const;
    std::optional<QString> recoveryNotice() const;
    // Throws LumbexError with the first failing rule's message.
    void validate() const;
};

} // namespace lumbex
