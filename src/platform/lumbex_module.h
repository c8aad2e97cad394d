#pragma once

#include <QString>

namespace lumbex {

// FFmpeg, Tesseract and Poppler each pull in dozens of shared libraries that the dynamic loader
// would otherwise map and relocate at every start of every `lumbex` process. The code that uses
// them is built into modules of our own (shared objects beside the executable, or in its library
// folder when installed) that the executable opens the first time a recording, a reading or a PDF
// needs them.

// The entry table of the module `fileName`: what its exported function `entryFunction` returns.
// The module is looked up beside the running executable, then in the installed module folder.
// Opened once per process and kept open. Throws LumbexError when it cannot be found or loaded.
const void* openLumbexModule(const QString& fileName, const char* entryFunction);

// The same for a module at `path`, which must be a regular file (not a symbolic link).
const void* openLumbexModuleAt(const QString& path, const char* entryFunction);

// The entry table of type `Table` that the module `fileName` offers, opened at the first call
// that succeeds.
template <typename Table>
const Table& lumbexModule(const char* fileName, const char* entryFunction) {
    static const auto* table =
        static_cast<const Table*>(openLumbexModule(QString::fromLatin1(fileName), entryFunction));
    return *table;
}

} // namespace lumbex
