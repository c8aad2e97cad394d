#include "model/recording_keys.h"

#include "core/sha256.h"
#include "model/recording_coding.h"

namespace lumbex {

QString editKey(const ScreenRecording& recording) {
    JsonWriter out(JsonWriter::Style::Compact);
    writeScreenRecording(out, recording);
    return sha256Hex(out.take());
}

QString visualKey(const ScreenRecording& recording) {
    ScreenRecording visual = recording;
    visual.title.clear();
    visual.createdAt = kDistantPast;
    visual.trim.reset();
    visual.muteSystem = false;
    visual.muteMicrophone = false;
    visual.recovery.reset();
    return editKey(visual);
}

} // namespace lumbex
