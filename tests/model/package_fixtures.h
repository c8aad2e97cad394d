#pragma once

#include "model/image_import.h"
#include "model/note_package.h"
#include "support/test_images.h"

// Package contents for the save tests: real PNG originals, so packages can be written and read.
namespace lumbex::test {

inline NotePackageContents threeImageNote() {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    appendImage(contents, solidPng(40, 30, Qt::darkCyan), QStringLiteral("first"));
    appendImage(contents, solidPng(20, 10, Qt::yellow), QStringLiteral("second"));
    appendImage(contents, solidPng(30, 30, Qt::red), QStringLiteral("third"));
    return contents;
}

// What a save that follows one of `contents` knows: every digest, every file in the package.
inline KnownOriginals allKnown(const NotePackageContents& contents) {
    KnownOriginals known;
    for (const Media& media : contents.note.media) {
        known.digests.emplace(media.id, media.sha256);
        known.inPackage.insert(media.id);
    }
    return known;
}

} // namespace lumbex::test
