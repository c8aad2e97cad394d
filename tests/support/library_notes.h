#pragma once

#include "core/files.h"
#include "model/image_content.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "support/test_images.h"

#include <QDir>

// Saved notes for the library tests: real packages with PNG originals, or bare note.json files.
namespace lumbex::test {

// A note with one 40 × 30 image and the given general text.
inline NotePackageContents noteWithImage(const QString& general = {}) {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.general = general;
    appendImage(contents, solidPng(40, 30, Qt::darkCyan), QStringLiteral("Screen"));
    return contents;
}

// Gives the image a recognition cache; `current` decides whether its key matches the image.
inline void recognize(CaptureNote& note, const QString& text, bool current) {
    Media& media = note.media.front();
    media.recognition = RecognitionCache{current ? imageKey(note, media) : QString(64, u'0'), text};
}

inline QString savePackage(const QString& folder, const NotePackageContents& contents,
                           const QString& name) {
    const QString path = QDir(folder).filePath(name + QStringLiteral(".capturenote"));
    createNotePackage(contents, path);
    return path;
}

// A package folder holding only the given note.json bytes.
inline QString writeBarePackage(const QString& folder, const QString& name,
                                const QByteArray& noteJson) {
    const QString path = QDir(folder).filePath(name + QStringLiteral(".capturenote"));
    makeFolders(path);
    writeFileAtomically(QDir(path).filePath(PackageLayout::noteFile), noteJson);
    return path;
}

} // namespace lumbex::test
