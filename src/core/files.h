#pragma once

#include <QByteArray>
#include <QString>

namespace lumbex {

// File helpers for writes that must never leave a half-written result. Every failure throws
// LumbexError carrying the system's description of what went wrong.

// Reads a whole file.
QByteArray readFile(const QString& path);

// Writes through a temporary name in the same folder, flushes it to disk and renames it over
// `path` (QSaveFile); a failure leaves any earlier file at `path` untouched.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Creates a new file (failing if one exists), writes it and flushes it to disk. For files inside
// a folder that is itself still being built under a temporary name.
void writeNewFileDurably(const QString& path, const QByteArray& bytes);

// A fresh hidden name beside `target`, on the same file system so that a rename can finish the
// write: "<folder>/.<name>.<purpose>-<UUID>".
QString temporarySibling(const QString& target, const QString& purpose);

// Flushes a folder's entries (new names, renames) to disk.
void syncFolder(const QString& folder);

// Renames `from` to `to` only when nothing exists at `to`; fails otherwise, even under a race.
void renameNoReplace(const QString& from, const QString& to);

// Swaps two existing entries in one step (renameat2 RENAME_EXCHANGE), so that neither name is
// ever missing. Returns false, changing nothing, when the file system cannot exchange; throws on
// any other failure.
bool exchangePaths(const QString& first, const QString& second);

// Removes a file or a whole folder tree; missing paths are fine. Never throws.
void removePath(const QString& path);

} // namespace lumbex
