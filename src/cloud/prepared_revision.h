#pragma once

#include "cloud/cloud_revision.h"
#include "model/note_package.h"
#include "records/capture_note.h"

#include <QString>
#include <functional>
#include <map>

namespace lumbex {

// What a revision is made from: a note with its originals, voice audio and segment files.
using CloudSnapshotInput = NotePackageContents;

// The reader files of a revision, made by the layers that know how to draw them.
struct ReaderFileWriters {
    // The media a reader sees, in reading order.
    std::function<std::vector<Media>(const CaptureNote&)> visibleMedia;
    // The reader PDF of the note at `path`; `revisionText` is "r" + the revision.
    std::function<void(const CaptureNote&, const std::map<Id, QByteArray>& originals,
                       const QString& revisionText, const QString& path)>
        writePDF;
    // The note's screen recording as an MP4 at `destination`; its segments are in
    // `segmentFolder`. Unset: a note with a recording cannot be prepared.
    std::function<void(const ScreenRecording&, const QString& segmentFolder,
                       const QString& destination)>
        exportVideo;
};

// The PDF and visible media of the review, with the given video export.
ReaderFileWriters standardReaderWriters(
    std::function<void(const ScreenRecording&, const QString&, const QString&)> exportVideo = {});

// A finished revision in the local staging queue: `directory` mirrors the sync folder's layout.
struct PreparedCloudRevision {
    QString directory;
    CloudRevision revision;
    CloudFile manifest;

    // Builds `<queue>/<NOTE>/<ID>/`, or returns the queued one when it already holds exactly this
    // content. A failure leaves nothing new in the queue. Throws LumbexError.
    static PreparedCloudRevision prepare(const CloudSnapshotInput& input, bool includeVoiceAudio,
                                         const QString& queue, const ReaderFileWriters& writers);
    // Validates the revision and checks the manifest and every file against their records.
    void verify() const;
};

// The note as a revision stores it: voice left out unless included, recognition caches dropped.
CaptureNote cloudNote(const CaptureNote& note, bool includeVoiceAudio);
// "Reviews/<TITLE>-<NOTE8>"
QString reviewFolderPath(const CaptureNote& note);

} // namespace lumbex
