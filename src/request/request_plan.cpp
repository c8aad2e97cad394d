#include "request/request_plan.h"

#include "core/error.h"
#include "model/image_content.h"
#include "model/recording_keys.h"

#include <algorithm>
#include <optional>
#include <set>

namespace lumbex {
namespace {

using ChosenImages = std::set<Id>;

QString roleName(MediaRole role) {
    return rawValue(role).toLower();
}

// A mark thinner than a pixel has no area to contain, so its end points decide. Point
// containment is half-open, like every other hit test on image pixels.
bool liesInside(const Mark& mark, const Rect& visible) {
    const Rect r = mark.rect();
    if (r.width < 1 || r.height < 1)
        return visible.contains(mark.start) && visible.contains(mark.end);
    return visible.contains(r);
}

void chooseLocationImage(const CaptureNote& note, const LinkedNote& linked, ChosenImages& chosen) {
    const Mark* mark = linked.markID ? note.mark(*linked.markID) : nullptr;
    const Media* image = mark ? note.image(mark->mediaID) : nullptr;
    if (!image)
        throw LumbexError(QStringLiteral("An included note is unlinked. Reconnect it, move it to "
                                         "General note, or exclude it."));
    if (image->role != MediaRole::Current && !image->includeInRequest)
        throw LumbexError(QStringLiteral("A note uses an excluded ") + roleName(image->role) +
                          QStringLiteral(" image. Include that image or exclude the note."));
    if (image->crop && !liesInside(*mark, *image->crop))
        throw LumbexError(QStringLiteral("Note ") +
                          QString::number(note.number(mark->id).value_or(0)) +
                          QStringLiteral(" extends outside the crop. Restore the crop or exclude "
                                         "the note."));
    chosen.insert(image->id);
}

void chooseFramesInRange(const CaptureNote& note, const RecordingRange& range,
                         ChosenImages& chosen) {
    const auto& recording = note.screenRecording;
    const auto selected = recording ? std::optional(recording->selectedRange()) : std::nullopt;
    if (!selected || range.start < selected->start || range.end > selected->end)
        throw LumbexError(QStringLiteral("An included time note extends outside the trim. Restore "
                                         "the trim or exclude that note."));
    const QString currentKey = visualKey(*recording);
    bool found = false;
    for (const Media& image : note.media) {
        const auto& frame = image.recordingFrame;
        if (image.includeInRequest && frame && range.contains(frame->sourceTime) &&
            frame->visualKey == currentKey) {
            chosen.insert(image.id);
            found = true;
        }
    }
    if (!found)
        throw LumbexError(QStringLiteral("Include a current frame from each time note's range "
                                         "before preparing the request."));
}

// With nothing else naming an image, a general note goes with the image the user is looking at.
void chooseActiveImage(const CaptureNote& note, const Id& activeMediaID, ChosenImages& chosen) {
    const Media* active = note.image(activeMediaID);
    if (!active)
        return;
    if (active->role != MediaRole::Current && !active->includeInRequest)
        throw LumbexError(QStringLiteral("Include this ") + roleName(active->role) +
                          QStringLiteral(" image in the request, or select a Current image."));
    chosen.insert(active->id);
}

} // namespace

RequestPlan::RequestPlan(CaptureNote note, std::vector<Media> media, std::vector<LinkedNote> notes)
    : note_(std::move(note)), media_(std::move(media)), notes_(std::move(notes)) {}

RequestPlan RequestPlan::build(const CaptureNote& note, const Id& activeMediaID) {
    if (!note.hasRequest())
        throw LumbexError(QStringLiteral("Add a note to prepare a request."));

    std::vector<LinkedNote> notes;
    std::copy_if(note.notes.begin(), note.notes.end(), std::back_inserter(notes),
                 [](const LinkedNote& n) { return n.isSent(); });

    ChosenImages chosen;
    for (const Media& image : note.media)
        if (image.includeInRequest)
            chosen.insert(image.id);

    for (const LinkedNote& linked : notes) {
        if (linked.timeRange)
            chooseFramesInRange(note, *linked.timeRange, chosen);
        else
            chooseLocationImage(note, linked, chosen);
    }

    if (chosen.empty() && note.sendsGeneral())
        chooseActiveImage(note, activeMediaID, chosen);

    std::vector<Media> media;
    std::copy_if(note.media.begin(), note.media.end(), std::back_inserter(media),
                 [&](const Media& image) { return chosen.contains(image.id); });
    if (media.empty())
        throw LumbexError(QStringLiteral("Choose at least one image for this request."));
    for (const Media& image : media)
        validateFrame(note, image);

    return RequestPlan(note, std::move(media), std::move(notes));
}

QString RequestPlan::label(const Id& mediaID) const {
    const auto it = std::find_if(media_.begin(), media_.end(),
                                 [&](const Media& image) { return image.id == mediaID; });
    const auto index = it == media_.end() ? 0 : it - media_.begin();
    if (index < 26)
        return QString(QChar(char16_t(u'A' + index)));
    return QStringLiteral("Image-") + QString::number(index + 1);
}

QString RequestPlan::filename(const Media& media) const {
    return label(media.id) + QStringLiteral("-annotated.png");
}

bool RequestPlan::sendsGeneral() const {
    return note_.sendsGeneral();
}

int RequestPlan::noteCount() const {
    return int(notes_.size()) + (sendsGeneral() ? 1 : 0);
}

} // namespace lumbex
