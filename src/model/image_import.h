#pragma once

#include "model/note_package.h"

namespace lumbex {

// Adds an image file's bytes to a note as a new image: normalised to the stored PNG, named
// `name`, the first image "Current" and later ones "After", not included in requests until the
// user says so. Throws LumbexError (contents unchanged) when the bytes are not a usable image.
// Returns the new image's id.
Id appendImage(NotePackageContents& contents, const QByteArray& data, const QString& name);

} // namespace lumbex
