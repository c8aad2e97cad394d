#include "app/cli/recording_package.h"

#include "recording/recording_note_folder.h"

namespace lumbex::cli {

const ScreenRecording& noteRecording(const NoteDocument& document) {
    return lumbex::noteRecording(document.contents());
}

QString recordingDirectory(const NoteDocument& document) {
    return noteRecordingDirectory(document.contents());
}

RecordingExportMedia platformExportMedia() {
    return {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes, readSegmentSound};
}

} // namespace lumbex::cli
