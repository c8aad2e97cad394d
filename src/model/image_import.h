#pragma once

#include "model/note_package.h"

#include <QSize>

namespace lumbex {

// Adds an image file's bytes to a note as a new image: normalised to the stored PNG, named
// `name`, the first image "Current" and later ones "After", not included in requests until the
// user says so. Throws LumbexError (contents unchanged) when the bytes are not a usable image.
// Returns the new image's id.
Id appendImage(NotePackageContents& contents, const QByteArray& data, const QString& name);

// Adds PNG bytes that are already the stored form (a fresh capture) unchanged, with their pixel
// size. Returns the new image's id.
Id appendStoredPng(NotePackageContents& contents, const QByteArray& png, QSize size,
                   const QString& name);

} // namespace lumbex
