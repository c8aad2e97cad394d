#include "recording/recording_note_folder.h"

#include "core/error.h"

#include <QFileInfo>

namespace lumbex {

const ScreenRecording& noteRecording(const NotePackageContents& contents) {
    if (!contents.note.screenRecording)
        throw LumbexError(QStringLiteral("This note has no screen recording."));
    return *contents.note.screenRecording;
}

QString noteRecordingDirectory(const NotePackageContents& contents) {
    const ScreenRecording& recording = noteRecording(contents);
    QString directory;
    for (const RecordingSegment& segment : recording.segments) {
        const auto file = contents.videoFiles.find(segment.id);
        const QString folder =
            file == contents.videoFiles.end() ? QString() : QFileInfo(file->second).absolutePath();
        if (folder.isEmpty() || (!directory.isEmpty() && folder != directory))
            throw LumbexError(QStringLiteral(
                "The recording source files are not together. Reopen the saved note."));
        directory = folder;
    }
    return directory;
}

} // namespace lumbex
