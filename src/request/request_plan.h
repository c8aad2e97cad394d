#pragma once

#include "core/ids.h"
#include "records/capture_note.h"

#include <QString>
#include <vector>

namespace lumbex {

// What one agent request carries: the images and notes chosen from a snapshot of a capture note.
// Built only through build(), which refuses a note whose request would be incomplete or
// misleading; a built plan is fixed and never reads the live note again.
class RequestPlan {
public:
    // Throws LumbexError with a message telling the user what to fix. `activeMediaID` is the
    // image shown in the editor; it is sent when only the general note names no image.
    static RequestPlan build(const CaptureNote& note, const Id& activeMediaID);

    const CaptureNote& note() const { return note_; }
    // In note order, never empty.
    const std::vector<Media>& media() const { return media_; }
    // The included location and time notes, in note order.
    const std::vector<LinkedNote>& notes() const { return notes_; }

    // "A" … "Z" by position among the request's images, then "Image-27" onwards; "A" for an
    // image that is not in the request.
    QString label(const Id& mediaID) const;
    QString filename(const Media& media) const;
    bool sendsGeneral() const;
    // The linked notes, plus one for the general note when it is sent.
    int noteCount() const;

    // The REQUEST.md text.
    QString markdown() const;

private:
    RequestPlan(CaptureNote note, std::vector<Media> media, std::vector<LinkedNote> notes);

    CaptureNote note_;
    std::vector<Media> media_;
    std::vector<LinkedNote> notes_;
};

} // namespace lumbex
