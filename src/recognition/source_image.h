#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QImage>
#include <optional>

namespace lumbex {

// The bitmap a reading of `media` uses: the visible part of the image (or of `selection`, in
// image pixels, taken outwards to whole pixels and cut to the visible part) with the image's
// redactions painted solid black and nothing else drawn. `original` holds the image's stored
// file bytes. Throws LumbexError "Select an area inside the image to read." for a selection
// outside the image, and whatever the renderer throws (a stale recording frame).
QImage sourceImage(const CaptureNote& note, const Media& media, const QByteArray& original,
                   const std::optional<Rect>& selection);

} // namespace lumbex
