#pragma once

#include "model/note_package.h"

#include <QSize>

namespace lumbex {

// Adds an image file's bytes to a note as a new image: normalised to the stored PNG, named
// `name`, the first image "Current" and later ones "After", not included in requests until the
// user says so. Throws LumbexError (contents unchanged) when the bytes are not a usable image.
// Returns the new image's id.
Id appendImage(NotePackageContents& contents, const QByteArray& data, const QString& name);

// The name an image imported from the file at `path` takes: the file's name without its
// extension, as a person reads it (bytes that are not UTF-8 shown as U+FFFD).
QString importedImageName(const QString& path);

// Adds PNG bytes that are already the stored form (a fresh capture) unchanged, with their pixel
// size. Returns the new image's id.
Id appendStoredPng(NotePackageContents& contents, const QByteArray& png, QSize size,
                   const QString& name);

} // namespace lumbex
