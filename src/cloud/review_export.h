#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <map>

namespace lumbex {

// The revision text an exported review carries in its footer: "r" and the note's revision.
QString exportRevisionText(const CaptureNote& note);

// The name proposed for an exported review: the note's title made safe for a file name (every
// character that is not a letter, digit, mark, space, "-" or "_" becomes "-", cut to 64
// characters, trimmed, "Capture" when nothing is left) and ".pdf".
QString reviewPdfFileName(const QString& title);

// Writes the reader PDF of `note` to `destination` the way the "Export Review PDF…" command
// does: into ".Lumbex-<UUID>.pdf" in the destination's folder, checked, then renamed over the
// destination (an existing file there is replaced). On failure the temporary file is removed and
// the destination is left as it was. Throws LumbexError.
void exportReviewPdf(const CaptureNote& note, const std::map<Id, QByteArray>& originals,
                     const QString& destination);

} // namespace lumbex
