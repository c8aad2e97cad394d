#pragma once

#include <QString>
#include <QStringList>

namespace lumbex::LibraryText {

// The text folded for searching: compatibility decomposition (full-width letters become their
// plain forms), combining marks dropped (é becomes e), then case folding.
QString fold(const QString& text);

// The words of a query, folded; empty for a query of white space only.
QStringList words(const QString& query);

// Where the earliest of `foldedWords` begins in `text`, in `text`'s own positions (the start of
// the character whose folding holds the match), or -1 when none occurs.
qsizetype firstMatch(const QString& text, const QStringList& foldedWords);

// The window of `text` shown around a match at `position`: from `lead` characters before it (at
// the start when nearer, else preceded by "…") and at most `length` characters long, both ends
// widened to whole composed characters; line breaks become spaces.
QString window(const QString& text, qsizetype position, qsizetype lead, qsizetype length);

// Line breaks as spaces, cut to at most `length` characters without splitting a composed one.
QString oneLine(const QString& text, qsizetype length);

} // namespace lumbex::LibraryText
