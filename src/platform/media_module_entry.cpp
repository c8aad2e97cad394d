#include "platform/media_module.h"

extern "C" __attribute__((visibility("default"))) const void* lumbexMediaModule() {
    using namespace lumbex;
    static const MediaModule module{
        &openMovieWriter,     &inspectRecordingSegment, &readRecordingFrame,
        &openSegmentPictures, &readSegmentSound,        &openMP4Export,
        &estimateMP4Bytes,    &openGIFExport,           &estimateGIFBytes,
    };
    return &module;
}
