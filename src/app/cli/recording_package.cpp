#include "app/cli/recording_package.h"

#include "core/error.h"

#include <QFileInfo>

namespace lumbex::cli {

const ScreenRecording& noteRecording(const NoteDocument& document) {
    if (!document.note().screenRecording)
        throw LumbexError(QStringLiteral("This note has no screen recording."));
    return *document.note().screenRecording;
}

QString recordingDirectory(const NoteDocument& document) {
    const ScreenRecording& recording = noteRecording(document);
    QString directory;
    for (const RecordingSegment& segment : recording.segments) {
        const auto file = document.contents().videoFiles.find(segment.id);
        const QString folder = file == document.contents().videoFiles.end()
                                   ? QString()
                                   : QFileInfo(file->second).absolutePath();
        if (folder.isEmpty() || (!directory.isEmpty() && folder != directory))
            throw LumbexError(QStringLiteral(
                "The recording source files are not together. Reopen the saved note."));
        directory = folder;
    }
    return directory;
}

RecordingExportMedia platformExportMedia() {
    return {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes, readSegmentSound};
}

} // namespace lumbex::cli
