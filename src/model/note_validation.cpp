#include "model/note_validation.h"

#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "model/schema_level.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

template <class T> bool hasDuplicateIds(const std::vector<T>& items) {
    std::set<Id> seen;
    for (const T& item : items)
        if (!seen.insert(item.id).second)
            return true;
    return false;
}

bool isKind(const Mark& m, std::initializer_list<MarkKind> kinds) {
    return std::find(kinds.begin(), kinds.end(), m.kind) != kinds.end();
}

bool isHexColor(const QString& text) {
    if (text.size() != 7 || text[0] != u'#')
        return false;
    return std::all_of(text.begin() + 1, text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

bool inClosedRange(double v, double lo, double hi) {
    return std::isfinite(v) && v >= lo && v <= hi;
}

void validateLevels(const CaptureNote& note) {
    if (note.schemaVersion < kOldestSchemaVersion || note.schemaVersion > kNewestSchemaVersion)
        fail("This note uses a newer format. Open it with a newer version of Lumbex.");
    const auto any = [&](std::initializer_list<MarkKind> kinds) {
        return std::any_of(note.marks.begin(), note.marks.end(),
                           [&](const Mark& m) { return isKind(m, kinds); });
    };
    if (note.schemaVersion < 6 && any({MarkKind::Magnify}))
        fail("Magnified annotations require note format 6.");
    if (note.schemaVersion < 5 && any({MarkKind::Line, MarkKind::Ellipse, MarkKind::Highlight}))
        fail("Line, ellipse, and highlight annotations require note format 5.");
    if (const auto& recording = note.screenRecording) {
        if (note.schemaVersion < 4)
            fail("The recording requires note format 4.");
        if (note.schemaVersion < 8 && recording->recovery)
            fail("Recording recovery information requires note format 8.");
        recording->validate();
    }
}

void validateVoiceRecordings(const CaptureNote& note) {
    const std::vector<VoiceRecording> recordings =
        note.recordings.value_or(std::vector<VoiceRecording>{});
    const bool invalid =
        (!recordings.empty() && note.schemaVersion < 2) || hasDuplicateIds(recordings) ||
        std::any_of(recordings.begin(), recordings.end(), [](const VoiceRecording& r) {
            return !std::isfinite(r.duration) || r.duration < 0;
        });
    if (invalid)
        fail("This note contains an invalid voice recording.");
    for (const VoiceRecording& r : recordings) {
        const bool noteExists =
            !r.noteID || std::any_of(note.notes.begin(), note.notes.end(),
                                     [&](const LinkedNote& n) { return n.id == *r.noteID; });
        if (!noteExists)
            fail("A voice recording has lost its note.");
    }
}

void validateImage(const CaptureNote& note, const Media& media) {
    if (media.scrollCapture) {
        if (note.schemaVersion < 7)
            fail("Scroll capture sources require note format 7.");
        media.scrollCapture->validate(note.media, media);
    }
    if (const auto& frame = media.recordingFrame) {
        if (!note.screenRecording || frame->sourceTime < 0 ||
            frame->sourceTime >= note.screenRecording->duration() || frame->visualKey.size() != 64)
            fail("A recording frame has lost its source time.");
    }
    if (media.width < 1 || media.height < 1 || media.width > 32768 || media.height > 32768 ||
        double(media.width) * double(media.height) > 120'000'000.0)
        fail("This image is too large to edit safely (120 megapixels maximum).");
    if (const auto& crop = media.crop) {
        if (!crop->isFinite() || crop->width <= 0 || crop->height <= 0 ||
            !media.extent().contains(*crop))
            fail("This note contains an invalid crop.");
    }
    if (const auto& b = media.background) {
        if (!inClosedRange(b->padding, 0, 512) || !inClosedRange(b->cornerRadius, 0, 128) ||
            !isHexColor(b->color) || !isHexColor(b->secondaryColor))
            fail("This note contains an invalid background.");
    }
}

void validateMark(const CaptureNote& note, const Mark& mark) {
    const Rect rect = mark.rect();
    const bool pointsFinite =
        !mark.points || std::all_of(mark.points->begin(), mark.points->end(),
                                    [](const Point& p) { return p.isFinite(); });
    if (!note.image(mark.mediaID) || !rect.isFinite() || !pointsFinite ||
        !inClosedRange(mark.lineWidth, 1, 32))
        fail("This note contains an invalid annotation.");
    if (mark.opacity) {
        if (mark.kind != MarkKind::Highlight || !inClosedRange(*mark.opacity, 0, 1))
            fail("This note contains an invalid highlight opacity.");
    } else if (mark.kind == MarkKind::Magnify) {
        const auto& c = mark.magnificationCenter;
        const bool centerValid =
            c && c->isFinite() && std::abs(c->x) <= 32768 && std::abs(c->y) <= 32768;
        const bool factorValid = !mark.magnification || inClosedRange(*mark.magnification, 2, 8);
        if (!centerValid || mark.points || rect.width < 1 || rect.height < 1 || !factorValid)
            fail("Use a valid source position and a magnification from 2× to 8×.");
        return;
    }
    if (mark.kind != MarkKind::Magnify && (mark.magnification || mark.magnificationCenter))
        fail("Only magnified annotations can have a magnification source.");
}

void validateNotes(const CaptureNote& note) {
    for (const LinkedNote& n : note.notes) {
        if (!n.timeRange)
            continue;
        const auto& recording = note.screenRecording;
        if (!recording || n.markID || n.timeRange->start < 0 ||
            n.timeRange->end > recording->duration() || n.timeRange->end <= n.timeRange->start)
            fail("A time note has an invalid recording range.");
    }
    // A note whose mark is gone is unlinked, so it links to nothing another note could share.
    std::set<Id> linkedMarks;
    for (const LinkedNote& n : note.notes)
        if (n.markID && note.mark(*n.markID) && !linkedMarks.insert(*n.markID).second)
            fail("More than one note is linked to the same annotation.");
}

} // namespace

void validate(const CaptureNote& note) {
    validateLevels(note);
    validateVoiceRecordings(note);
    if (hasDuplicateIds(note.media) || hasDuplicateIds(note.marks) || hasDuplicateIds(note.notes))
        fail("This note has missing or duplicate items.");
    for (const Media& media : note.media)
        validateImage(note, media);
    for (const Mark& mark : note.marks)
        validateMark(note, mark);
    validateNotes(note);
    for (const Media& media : note.media) {
        const std::vector<Mark> marks = note.marksOn(media.id);
        validateSize(outputRect(media, marks, note.numbers(marks)));
    }
}

} // namespace lumbex
