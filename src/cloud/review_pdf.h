#pragma once

#include "core/ids.h"
#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace lumbex {

// The reader PDF of a note: something a person can read on a phone or tablet without Lumbex.
// It holds the title and dates, the general note, the recording summary, every visible image
// rendered with its annotations and redactions, and every note with text. Pure (no widgets):
// runs on any thread with a QGuiApplication alive.

// The images the review shows, in note order: every image except recording frames that no longer
// match the recording's edits or lie outside its trim. Throws LumbexError when the note has a
// screen recording and none of its current frames remains.
std::vector<Media> reviewVisibleMedia(const CaptureNote& note);

// Writes the PDF of `note` to `path` (replaced when it exists) and reads it back to check it.
// `originals` holds the original image bytes by media id; `revisionText` labels every page's
// footer ("r12", or a cloud revision's identifier). The same input always gives the same bytes.
// The file is written through a temporary name; one that fails the check afterwards is left at
// `path` for the caller to remove. Throws LumbexError.
void writeReviewPdf(const CaptureNote& note, const std::map<Id, QByteArray>& originals,
                    const QString& revisionText, const QString& path);

// Opens the PDF at `path` as a reader would and checks that it has `pageCount` pages of the review
// size. Throws "The mobile PDF could not be verified." otherwise.
void verifyReviewPdf(const QString& path, int pageCount);

} // namespace lumbex
