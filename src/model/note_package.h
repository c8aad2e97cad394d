#pragma once

#include "core/error.h"
#include "core/file_system.h"
#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <set>

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

// What a save already knows about the originals it stores, so that it neither hashes nor rewrites
// bytes it has handled before.
struct KnownOriginals {
    // SHA-256 of the caller's bytes by image id, computed when those bytes were made or read;
    // used instead of hashing them again.
    std::map<Id, QString> digests;
    // A package whose assets already hold exactly the caller's bytes for the images in
    // `inPackage`: those files are hard-linked from it instead of written again.
    QString package;
    std::set<Id> inPackage;
};

// Reads and checks a package: completeness, decoding, validation, every original and every voice
// file against its digest. Throws LumbexError with the first failing check's message; nothing is
// returned unless every check passed.
NotePackageContents readNotePackage(const QString& packagePath);

// Validates the note and checks that every original and audio file it names is held with the
// right digest, then builds the package in `folder`, which must not exist yet. Files are flushed
// to disk. Throws LumbexError; a partly built folder is the caller's to remove.
void buildNotePackage(const NotePackageContents& contents, const QString& folder,
                      const KnownOriginals& known = {},
                      FileSystem& fileSystem = FileSystem::local());

// A failure of the file system while writing the package at `packagePath` (a full disk, a
// missing folder), told in the user's terms: the package's name and the system's reason, not the
// temporary file that failed. Any other failure is returned unchanged.
LumbexError packageWriteError(const QString& packagePath, const LumbexError& failure,
                              bool previousKept);

// Refuses a package path that is a symbolic link: a save would replace the link, not the note.
void refuseLinkedPackage(const QString& packagePath);

// Writes a new package at `packagePath` through a temporary name and a final rename. Never
// replaces an existing entry; leaves nothing behind on failure.
void createNotePackage(const NotePackageContents& contents, const QString& packagePath);

} // namespace lumbex
