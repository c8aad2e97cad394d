#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace lumbex {

// SHA-256 of the note.json of the package at `package`: none when the package is not a real
// folder there (missing, a symbolic link, a file) or holds no readable regular note.json.
std::optional<QString> noteJsonDigest(const QString& package);

// Whether the two package folders hold the same files with the same bytes (a finished copy).
bool samePackageFiles(const QString& first, const QString& second);

// Moves the package folder `from` to `to`, where nothing may exist, under the package's lock so
// that a save of an open document never sees it half gone: "The file is busy. Try again." when
// another holder has the lock. On one file system it is one rename; across file systems the
// tree is copied beside `to` under a temporary name, compared file by file with the original,
// renamed into place, and only then is the original removed. A failure leaves the original
// whole. Throws LumbexError. `copied` runs once a copy is in place and before the original goes
// (for tests that stop there).
void movePackage(const QString& from, const QString& to, const std::function<void()>& copied = {});

} // namespace lumbex
