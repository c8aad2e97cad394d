#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <map>

namespace lumbex {

// A note with the bytes its package stores beside note.json.
struct NotePackageContents {
    CaptureNote note;
    // Original PNG bytes by image id.
    std::map<Id, QByteArray> originals;
    // Voice audio bytes by recording id, for recordings that have audio.
    std::map<Id, QByteArray> audio;
    // Segment files of the screen recording, by segment id: paths of files that already exist.
    std::map<Id, QString> videoFiles;
};

// The folder entry names of a package.
namespace PackageLayout {
inline const QString noteFile = QStringLiteral("note.json");
inline const QString assets = QStringLiteral("assets");
inline const QString audio = QStringLiteral("audio");
inline const QString video = QStringLiteral("video");
} // namespace PackageLayout

// Reads and checks a package: completeness, decoding, validation, every original and every voice
// file against its digest. Throws LumbexError with the first failing check's message; nothing is
// returned unless every check passed.
NotePackageContents readNotePackage(const QString& packagePath);

// Validates the note and checks that every original and audio file it names is held with the
// right digest, then builds the package in `folder`, which must not exist yet. Files are flushed
// to disk. Throws LumbexError; a partly built folder is the caller's to remove.
void buildNotePackage(const NotePackageContents& contents, const QString& folder);

// Writes a new package at `packagePath` through a temporary name and a final rename. Never
// replaces an existing entry; leaves nothing behind on failure.
void createNotePackage(const NotePackageContents& contents, const QString& packagePath);

} // namespace lumbex
