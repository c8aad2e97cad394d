#include "records/screen_recording.h"

#include "core/error.h"
#include "core/raw_values.h"
#include "records/recording_time.h"

#include <algorithm>
#include <set>

namespace lumbex {
namespace {

constexpr qint64 kDayMicroseconds = 86'400'000'000;

constexpr RawValues<RecordingAudio, 2> kAudioKinds{{{
    {RecordingAudio::System, u"system"},
    {RecordingAudio::Microphone, u"microphone"},
}}};

constexpr RawValues<RecordingRecovery, 2> kRecoveries{{{
    {RecordingRecovery::Complete, u"complete"},
    {RecordingRecovery::Partial, u"partial"},
}}};

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

} // namespace

QString rawValue(RecordingAudio audio) {
    return kAudioKinds.raw(audio);
}

std::optional<RecordingAudio> recordingAudioFromRaw(QStringView raw) {
    return kAudioKinds.parse(raw);
}

QString trackTitle(RecordingAudio audio) {
    return audio == RecordingAudio::System ? QStringLiteral("Lumbex System Audio")
                                           : QStringLiteral("Lumbex Microphone");
}

QString rawValue(RecordingRecovery recovery) {
    return kRecoveries.raw(recovery);
}

std::optional<RecordingRecovery> recordingRecoveryFromRaw(QStringView raw) {
    return kRecoveries.parse(raw);
}

ScreenRecording ScreenRecording::make() {
    ScreenRecording recording;
    recording.id = newId();
    recording.createdAt = now();
    return recording;
}

qint64 ScreenRecording::duration() const {
    qint64 total = 0;
    for (const RecordingSegment& segment : segments)
        total += segment.duration;
    return total;
}

RecordingRange ScreenRecording::selectedRange() const {
    return trim.value_or(RecordingRange{0, duration()});
}

Rect ScreenRecording::extent() const {
    if (segments.empty())
        return {};
    return {0, 0, double(segments.front().width), double(segments.front().height)};
}

Rect ScreenRecording::visibleRect() const {
    return crop.value_or(extent());
}

std::optional<qint64> ScreenRecording::outputTime(qint64 t) const {
    const RecordingRange range = selectedRange();
    if (!range.contains(t))
        return std::nullopt;
    return t - range.start;
}

std::vector<qint64> ScreenRecording::suggestedFrameTimes() const {
    const RecordingRange range = selectedRange();
    const std::set<qint64> times{range.start, range.start + range.duration() / 2,
                                 std::max(range.start, range.end - 33'334)};
    return {times.begin(), times.end()};
}

std::optional<QString> ScreenRecording::recoveryNotice() const {
    if (!recovery)
        return std::nullopt;
    const QString detail =
        *recovery == RecordingRecovery::Partial
            ? QStringLiteral("The recording was interrupted; video or audio may be missing.")
            : QStringLiteral("Review the recovered recording before using it.");
    return QStringLiteral("Recovered through ") + recordingTimeLabel(duration()) +
           QStringLiteral(". ") + detail;
}

void ScreenRecording::validate() const {
    std::set<Id> ids;
    for (const RecordingSegment& segment : segments)
        ids.insert(segment.id);
    if (segments.empty() || segments.size() > 10'000 || ids.size() != segments.size())
        fail("The recording has no complete segments or contains duplicate segments.");

    const RecordingSegment& first = segments.front();
    const auto inRange = [](qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; };
    for (const RecordingSegment& s : segments) {
        if (!inRange(s.width, 2, 16'384) || !inRange(s.height, 2, 16'384) ||
            s.width != first.width || s.height != first.height ||
            !inRange(s.sourceStart, 0, kDayMicroseconds) ||
            !inRange(s.duration, 1, kDayMicroseconds) || s.byteCount < 1 || s.sha256.size() != 64)
            fail("A recording segment is incomplete or has changed dimensions.");
    }

    // Each duration is at most a day and there are at most 10,000, so the sum cannot overflow.
    const qint64 total = duration();
    if (total > kDayMicroseconds)
        fail("Choose a valid recording range.");
    const RecordingRange range = selectedRange();
    // Ends are compared before subtracting: stored times are untrusted and may be extreme.
    if ((trim && (trim->start < 0 || trim->end > total)) || range.end < range.start ||
        range.end - range.start <= 999)
        fail("Choose a valid recording range.");

    const Rect bounds = extent();
    if (crop &&
        (!crop->isFinite() || crop->width < 2 || crop->height < 2 || !bounds.contains(*crop)))
        fail("The recording crop is outside the video.");

    for (const RecordingRedaction& r : redactions) {
        if (r.range.start < 0 || r.range.end > total || r.range.end <= r.range.start ||
            !r.rect.isFinite() || r.rect.width <= 0 || r.rect.height <= 0 ||
            !bounds.contains(r.rect))
            fail("A recording redaction has an invalid area or time range.");
    }
}

} // namespace lumbex
