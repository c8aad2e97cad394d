#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <map>

namespace lumbex::bench {

// Saved notes as people make them, for timing the notes library: one to three screenshots, a
// handful of marks with location notes, a general note of a few sentences, a voice transcript now
// and then, and on every tenth note a text-recognition cache of a few kilobytes that still matches
// its image. Deterministic for a given index.
struct LibraryCorpus {
    // The PNG bytes every image of the corpus refers to, by their SHA-256.
    std::map<QString, QByteArray> originals;

    LibraryCorpus();
    CaptureNote note(int index) const;
    // Writes note `index` as a package "<folder>/<index>.capturenote" (note.json and assets).
    void writePackage(const QString& folder, int index) const;
};

} // namespace lumbex::bench
