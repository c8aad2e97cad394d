#pragma once

#include "capture/scroll_stitcher.h"
#include "model/note_package.h"

#include <optional>

namespace lumbex {

// A new note from a finished scroll capture: the stitched image first (role Current), then every
// source frame as stored by the stitcher (role Reference), with the stitched image's scroll
// information listing the frames. `stitchedPng` is rendered at full size when not given. The note
// is validated; throws LumbexError.
NotePackageContents scrollCaptureNote(const ScrollStitcher& stitcher, bool partial,
                                      const std::optional<QString>& issue, bool imported,
                                      std::optional<QByteArray> stitchedPng = std::nullopt);

} // namespace lumbex
