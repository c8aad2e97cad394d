#include "model/schema_level.h"

#include "geometry/mark_geometry.h"

#include <algorithm>

namespace lumbex {
namespace {

bool anyMark(const CaptureNote& note, std::initializer_list<MarkKind> kinds) {
    return std::any_of(note.marks.begin(), note.marks.end(), [&](const Mark& m) {
        return std::find(kinds.begin(), kinds.end(), m.kind) != kinds.end();
    });
}

// Level 3 holds images whose rendered picture reaches past their visible rectangle.
bool needsLevel3(const CaptureNote& note) {
    if (std::any_of(note.marks.begin(), note.marks.end(),
                    [](const Mark& m) { return m.color.startsWith(u'#'); }))
        return true;
    for (const Media& media : note.media) {
        if (media.background)
            return true;
        const std::vector<Mark> marks = note.marksOn(media.id);
        if (outputRect(media, marks, note.numbers(marks)) != media.visibleRect().roundedOut())
            return true;
    }
    return false;
}

} // namespace

qint64 minimumSchemaVersion(const CaptureNote& note) {
    if (note.screenRecording && note.screenRecording->recovery)
        return 8;
    if (std::any_of(note.media.begin(), note.media.end(),
                    [](const Media& m) { return m.scrollCapture.has_value(); }))
        return 7;
    if (anyMark(note, {MarkKind::Magnify}))
        return 6;
    if (anyMark(note, {MarkKind::Line, MarkKind::Ellipse, MarkKind::Highlight}))
        return 5;
    if (note.screenRecording)
        return 4;
    if (needsLevel3(note))
        return 3;
    return note.recordings && !note.recordings->empty() ? 2 : 1;
}

} // namespace lumbex
