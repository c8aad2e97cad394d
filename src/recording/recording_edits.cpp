#include "recording/recording_edits.h"

#include "core/error.h"
#include "core/ids.h"
#include "model/fast_png.h"
#include "model/image_content.h"
#include "records/recording_time.h"

#include <cmath>

namespace lumbex {
namespace {

constexpr qint64 kLongestSourceTime = 86'400'000'000;

} // namespace

qint64 recordingFieldTime(QStringView text) {
    const QString trimmed = text.trimmed().toString();
    // Digit by digit when it can be, so that "2.5" is exactly 2,500,000 µs.
    if (const std::optional<qint64> exact = parseRecordingSeconds(trimmed))
        return *exact;
    bool ok = false;
    const double seconds = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86'400)
        throw LumbexError(QStringLiteral("Enter a valid source time in seconds."));
    return std::min(std::llround(seconds * 1'000'000), kLongestSourceTime);
}

RecordingRange recordingFieldRange(QStringView start, QStringView end, qint64 duration) {
    RecordingRange range{recordingFieldTime(start), recordingFieldTime(end)};
    // The fields show milliseconds: an end shown as the recording's end (rounded up) is its end.
    if (range.end > duration && recordingFieldText(range.end) == recordingFieldText(duration))
        range.end = duration;
    if (range.start < 0 || range.start >= range.end || range.end > duration)
        throw LumbexError(QStringLiteral("Choose a range inside the recording."));
    return range;
}

QString recordingFieldText(qint64 sourceTime) {
    return QString::asprintf("%.3f", double(sourceTime) / 1'000'000);
}

std::optional<Rect> recordingDragRect(const QRectF& picture, QPointF from, QPointF to,
                                      const Rect& visible) {
    if (picture.isEmpty() || visible.width <= 0 || visible.height <= 0)
        return std::nullopt;
    const auto toSource = [&](QPointF point) {
        const double x = std::clamp(point.x(), picture.left(), picture.right());
        const double y = std::clamp(point.y(), picture.top(), picture.bottom());
        // Whole source pixels: a crop or redaction covers what it touches.
        return Point{visible.x + (x - picture.left()) * visible.width / picture.width(),
                     visible.y + (y - picture.top()) * visible.height / picture.height()};
    };
    const Point a = toSource(from);
    const Point b = toSource(to);
    if (!a.isFinite() || !b.isFinite())
        return std::nullopt;
    const double left = std::floor(std::min(a.x, b.x));
    const double top = std::floor(std::min(a.y, b.y));
    const double right = std::min(std::ceil(std::max(a.x, b.x)), visible.x + visible.width);
    const double bottom = std::min(std::ceil(std::max(a.y, b.y)), visible.y + visible.height);
    if (right - left < 1 || bottom - top < 1 || std::abs(b.x - a.x) < 0.5 ||
        std::abs(b.y - a.y) < 0.5)
        return std::nullopt;
    return Rect{left, top, right - left, bottom - top};
}

void trimRecording(NoteDocument& document, const RecordingRange& range) {
    document.changeRecording(QStringLiteral("Trim Recording"),
                             [&](ScreenRecording& recording) { recording.trim = range; });
}

void resetRecordingTrim(NoteDocument& document) {
    document.changeRecording(QStringLiteral("Reset Trim"),
                             [](ScreenRecording& recording) { recording.trim.reset(); });
}

void cropRecording(NoteDocument& document, const Rect& crop) {
    document.changeRecording(QStringLiteral("Crop Recording"),
                             [&](ScreenRecording& recording) { recording.crop = crop; });
}

void restoreRecordingCrop(NoteDocument& document) {
    document.changeRecording(QStringLiteral("Reset Recording Crop"),
                             [](ScreenRecording& recording) { recording.crop.reset(); });
}

void redactRecording(NoteDocument& document, const RecordingRange& range, const Rect& rect) {
    document.changeRecording(QStringLiteral("Redact Recording"), [&](ScreenRecording& recording) {
        recording.redactions.push_back({newId(), range, rect});
    });
}

void removeLastRecordingRedaction(NoteDocument& document) {
    document.changeRecording(QStringLiteral("Remove Recording Redaction"),
                             [](ScreenRecording& recording) {
                                 if (!recording.redactions.empty())
                                     recording.redactions.pop_back();
                             });
}

void setRecordingSound(NoteDocument& document, bool muteSystem, bool muteMicrophone) {
    document.changeRecording(QStringLiteral("Change Recording Sound"),
                             [&](ScreenRecording& recording) {
                                 recording.muteSystem = muteSystem;
                                 recording.muteMicrophone = muteMicrophone;
                             });
}

std::vector<RecordingStill> prepareRecordingStills(const RecordingComposition& composition,
                                                   const std::vector<qint64>& times) {
    std::vector<RecordingStill> stills;
    for (const qint64 time : times) {
        const QImage image = composition.frameAt(time).render();
        stills.push_back({time, FastPng::encode(image), image.size()});
    }
    return stills;
}

void requireTimeNoteRange(const ScreenRecording& recording, const RecordingRange& range) {
    const RecordingRange selected = recording.selectedRange();
    if (range.start < selected.start || range.end > selected.end || range.duration() <= 0)
        throw LumbexError(QStringLiteral("Choose a note range inside the current trim."));
}

std::optional<Id> firstStaleFrame(const CaptureNote& note) {
    for (const Media& media : note.media)
        if (!isFrameCurrent(note, media))
            return media.id;
    return std::nullopt;
}

} // namespace lumbex
