#include "records/capture_note.h"

#include "core/error.h"

#include <algorithm>

namespace lumbex {
namespace {

bool hasVisibleText(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

} // namespace

CaptureNote CaptureNote::make() {
    CaptureNote note;
    note.id = newId();
    note.createdAt = now();
    note.modifiedAt = note.createdAt;
    return note;
}

const Media* CaptureNote::image(const Id& mediaID) const {
    const auto it =
        std::find_if(media.begin(), media.end(), [&](const Media& m) { return m.id == mediaID; });
    return it == media.end() ? nullptr : &*it;
}

const Mark* CaptureNote::mark(const Id& markID) const {
    const auto it =
        std::find_if(marks.begin(), marks.end(), [&](const Mark& m) { return m.id == markID; });
    return it == marks.end() ? nullptr : &*it;
}

std::vector<Mark> CaptureNote::marksOn(const Id& mediaID) const {
    std::vector<Mark> out;
    std::copy_if(marks.begin(), marks.end(), std::back_inserter(out),
                 [&](const Mark& m) { return m.mediaID == mediaID; });
    return out;
}

std::optional<int> CaptureNote::number(const Id& markID) const {
    for (size_t i = 0; i < notes.size(); ++i)
        if (notes[i].markID == markID)
            return int(i) + 1;
    return std::nullopt;
}

MarkNumbers CaptureNote::numbers(const std::vector<Mark>& of) const {
    MarkNumbers out;
    for (const Mark& m : of)
        if (const auto n = number(m.id))
            out.emplace(m.id, *n);
    return out;
}

std::optional<QString> CaptureNote::body(const std::optional<Id>& noteID) const {
    if (!noteID)
        return general;
    for (const LinkedNote& n : notes)
        if (n.id == *noteID)
            return n.body;
    return std::nullopt;
}

void CaptureNote::setBody(const QString& text, const std::optional<Id>& noteID) {
    if (!noteID) {
        general = text;
        return;
    }
    for (LinkedNote& n : notes)
        if (n.id == *noteID) {
            n.body = text;
            return;
        }
}

bool LinkedNote::isSent() const {
    return included && hasVisibleText(body);
}

bool CaptureNote::sendsGeneral() const {
    return includeGeneral && hasVisibleText(general);
}

bool CaptureNote::hasRequest() const {
    if (sendsGeneral())
        return true;
    return std::any_of(notes.begin(), notes.end(), [](const LinkedNote& n) { return n.isSent(); });
}

bool CaptureNote::hasSameRequestContent(const CaptureNote& o) const {
    return id == o.id && title == o.title && media == o.media && marks == o.marks &&
           general == o.general && includeGeneral == o.includeGeneral && notes == o.notes &&
           reviewOnly == o.reviewOnly && screenRecording == o.screenRecording;
}

Id AnnotationClipboard::insert(CaptureNote& note, const Id& mediaID) const {
    Mark copy = mark;
    copy.id = newId();
    copy.mediaID = mediaID;
    copy.translate(12, 12);
    note.marks.push_back(copy);
    if (linkedNote) {
        LinkedNote n = *linkedNote;
        n.id = newId();
        n.markID = copy.id;
        note.notes.push_back(n);
    } else if (copy.kind == MarkKind::Pointer) {
        LinkedNote n = LinkedNote::make();
        n.markID = copy.id;
        note.notes.push_back(n);
    }
    return copy.id;
}

bool removeImage(CaptureNote& note, const Id& mediaID) {
    if (!note.image(mediaID))
        return false;
    for (const Media& other : note.media) {
        if (!other.scrollCapture || other.id == mediaID)
            continue;
        const auto& pieces = other.scrollCapture->pieces;
        if (std::any_of(pieces.begin(), pieces.end(),
                        [&](const auto& p) { return p.mediaID == mediaID; }))
            throw LumbexError(
                QStringLiteral("Keep original scroll frames with their stitched image. Remove the "
                               "stitched image first if you want to remove its sources."));
    }
    if (note.media.size() < 2)
        throw LumbexError(QStringLiteral(
            "Keep at least one image in this note. Add another frame or image first."));

    std::erase_if(note.media, [&](const Media& m) { return m.id == mediaID; });
    std::vector<Id> removedMarks;
    std::erase_if(note.marks, [&](const Mark& m) {
        if (m.mediaID != mediaID)
            return false;
        removedMarks.push_back(m.id);
        return true;
    });
    for (LinkedNote& n : note.notes)
        if (n.markID &&
            std::find(removedMarks.begin(), removedMarks.end(), *n.markID) != removedMarks.end())
            n.markID.reset();
    return true;
}

QString removeImageActionName(const CaptureNote& note, const Id& mediaID) {
    const Media* image = note.image(mediaID);
    return image && image->recordingFrame ? QStringLiteral("Remove Frame")
                                          : QStringLiteral("Remove Image");
}

} // namespace lumbex
