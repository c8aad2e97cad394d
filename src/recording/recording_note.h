#pragma once

#include "model/note_package.h"
#include "records/recording_time.h"
#include "records/screen_recording.h"

#include <QImage>
#include <QString>
#include <functional>

namespace lumbex {

// The picture a segment file shows at a time of its own timeline (the platform's frame reader in
// the application, a fake in tests). Throws LumbexError.
using RecordingFrameReader = std::function<QImage(const QString& file, qint64 time)>;

// A new note for a finished recording whose segment files lie in `directory`: the checked
// recording with every segment pointing at its file there, and a still frame at each of the
// recording's suggested times. Throws LumbexError.
NotePackageContents noteFromRecording(const ScreenRecording& recording, const QString& directory,
                                      const RecordingFrameReader& readFrame);

} // namespace lumbex
