#pragma once

#include "model/note_document.h"
#include "platform/segment_pictures.h"
#include "recording/recording_note.h"
#include "recording/segment_folder.h"

#include <memory>

namespace lumbex::test {

// A saved note made from the recording of `segments`, opened as a document; its segment files
// are the package's copies.
inline std::unique_ptr<NoteDocument> openRecordingNote(SegmentFolder& segments,
                                                       const QString& packagePath) {
    const auto readFrame = [](const QString& file, qint64 time) {
        const std::unique_ptr<SegmentPictures> pictures = openSegmentPictures(file);
        pictures->seek(time);
        return pictures->next()->picture->image();
    };
    createNotePackage(noteFromRecording(segments.recording(), segments.path(), readFrame),
                      packagePath);
    return NoteDocument::open(packagePath);
}

} // namespace lumbex::test
