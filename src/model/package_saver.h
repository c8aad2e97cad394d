#pragma once

#include "model/note_package.h"

#include <QString>

namespace lumbex {

// Writes `contents` as the package at `packagePath`, replacing any package there, so that at every
// moment (a crash or power loss included) the path holds either the complete previous package or
// the complete new one. The new package is built beside the old one under a temporary name and
// swapped in; originals listed in `known.inPackage` are hard-linked from the package being
// replaced (`known.package` is ignored). Throws LumbexError; on failure nothing is left behind
// and the previous package is untouched. Holds the package's lock (PackageLock) while it works, and
// refuses a package path that is a symbolic link. Blocks on disk flushes and on other writers of
// the package: call it off the GUI thread. Every step goes through `fileSystem`.
void savePackage(const NotePackageContents& contents, const QString& packagePath,
                 KnownOriginals known = {}, FileSystem& fileSystem = FileSystem::local());

// Cleans up after saves of `packagePath` that were interrupted: removes the half-built or
// replaced trees they left beside it, and moves a set-aside previous package back when the
// interruption left none in place. Works only when it can take the package's lock without
// waiting, so a save in progress in another process is never touched. Best effort; never throws.
void sweepStaleSaves(const QString& packagePath);

} // namespace lumbex
