#pragma once

#include "platform/recording_export.h"
#include "platform/recording_media.h"
#include "platform/segment_pictures.h"
#include "platform/segment_sound.h"

namespace lumbex {

// What the media module (FFmpeg) offers the executable: the entry points of recording_media.h,
// recording_export.h, segment_pictures.h and segment_sound.h that code above the platform calls.
struct MediaModule {
    decltype(&lumbex::openMovieWriter) openMovieWriter;
    decltype(&lumbex::inspectRecordingSegment) inspectRecordingSegment;
    decltype(&lumbex::readRecordingFrame) readRecordingFrame;
    decltype(&lumbex::openSegmentPictures) openSegmentPictures;
    decltype(&lumbex::readSegmentSound) readSegmentSound;
    decltype(&lumbex::openMP4Export) openMP4Export;
    decltype(&lumbex::estimateMP4Bytes) estimateMP4Bytes;
    decltype(&lumbex::openGIFExport) openGIFExport;
    decltype(&lumbex::estimateGIFBytes) estimateGIFBytes;
};

inline constexpr char kMediaModuleFile[] = "lumbex-media.so";
inline constexpr char kMediaModuleEntry[] = "lumbexMediaModule";

} // namespace lumbex
