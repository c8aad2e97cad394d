#pragma once

#include "core/dates.h"
#include "core/ids.h"
#include "records/mark.h"
#include "records/media.h"
#include "records/recording_range.h"
#include "records/screen_recording.h"
#include "records/voice_recording.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace lumbex {

// Badge numbers by mark id; marks without a linked note are absent.
using MarkNumbers = std::map<Id, int>;

// A location note (linked to a mark), an unlinked note, or a time note on the recording.
struct LinkedNote {
    Id id;
    std::optional<Id> markID;
    QString body;
    bool included = true;
    std::optional<RecordingRange> timeRange;

    friend bool operator==(const LinkedNote&, const LinkedNote&) = default;

    static LinkedNote make() { return {newId(), std::nullopt, {}, true, std::nullopt}; }
    // Included and has text other than white space: the note goes into a request.
    bool isSent() const;
};

// Everything collected about one problem. A plain value: the document owns the live copy and
// every edit replaces it.
struct CaptureNote {
    qint64 schemaVersion = 1;
    Id id;
    QString title = QStringLiteral("Capture");
    Date createdAt = 0;
    Date modifiedAt = 0;
    qint64 revision = 0;
    std::vector<Media> media;
    std::vector<Mark> marks;
    QString general;
    bool includeGeneral = true;
    std::vector<LinkedNote> notes;
    bool reviewOnly = false;
    // Absent and empty mean the same.
    std::optional<std::vector<VoiceRecording>> recordings;
    std::optional<ScreenRecording> screenRecording;

    friend bool operator==(const CaptureNote&, const CaptureNote&) = default;

    // A new note: fresh id, title "Capture", created and modified now.
    static CaptureNote make();

    const Media* image(const Id& mediaID) const;
    const Mark* mark(const Id& markID) const;
    // The marks drawn on one image, in list order.
    std::vector<Mark> marksOn(const Id& mediaID) const;

    // The badge number of a mark: 1 + the position of the first note linked to it.
    std::optional<int> number(const Id& markID) const;
    // Badge numbers of the given marks that have one.
    MarkNumbers numbers(const std::vector<Mark>& marks) const;

    // The general note for no id, else that note's body (absent for an unknown id).
    std::optional<QString> body(const std::optional<Id>& noteID) const;
    void setBody(const QString& text, const std::optional<Id>& noteID);

    // The general note goes into a request: included and not only white space.
    bool sendsGeneral() const;
    bool hasRequest() const;
    // Equal in everything a prepared request depends on (not dates, revision, level or voice).
    bool hasSameRequestContent(const CaptureNote& other) const;
};

// What a copied annotation carries on the clipboard.
struct AnnotationClipboard {
    Mark mark;
    std::optional<LinkedNote> linkedNote;

    friend bool operator==(const AnnotationClipboard&, const AnnotationClipboard&) = default;

    // Pastes a copy onto an image, 12 pixels right and down, with its note (a pasted pointer
    // without one gets a new empty note). Returns the new mark's id.
    Id insert(CaptureNote& note, const Id& mediaID) const;
};

// The content of removing an image: its marks go and their notes become unlinked. Returns false
// for an unknown id; throws LumbexError (note unchanged) when the image must stay.
bool removeImage(CaptureNote& note, const Id& mediaID);

// The undo action name for removing that image.
QString removeImageActionName(const CaptureNote& note, const Id& mediaID);

} // namespace lumbex
