#pragma once

#include "records/screen_recording.h"

#include <QString>

namespace lumbex::RecordingFiles {

// SHA-256 of a segment file, read in 1 MiB chunks.
QString hash(const QString& file);
// The file must have the segment's byte count and digest; throws "A recording segment is
// missing or damaged. The original note has been kept." otherwise.
void verify(const QString& file, const RecordingSegment& segment);

} // namespace lumbex::RecordingFiles
