#pragma once

#include "core/dates.h"
#include "core/ids.h"
#include "library/library_thumbnail.h"
#include "records/capture_note.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lumbex {

// One searchable piece of a note with what it is ("Title", "Note", "Transcript", "Recognized
// text").
struct LibraryFragment {
    QString label;
    QString text;

    friend bool operator==(const LibraryFragment&, const LibraryFragment&) = default;
};

// What the notes library shows and searches for one saved note. Built from the note alone: no
// image is read.
struct LibraryEntry {
    Id id;
    // The package's path.
    QString url;
    QString title;
    Date modifiedAt = 0;
    // One line shown under the title.
    QString excerpt;
    // Every fragment's text joined with line breaks, folded with normalize().
    QString searchText;
    std::vector<LibraryFragment> fragments;
    // Absent when the note has no image that can be previewed.
    std::optional<LibraryThumbnail> thumbnail;

    static constexpr qsizetype kExcerptLength = 180;
    static constexpr qsizetype kMatchLead = 40;
    static constexpr qsizetype kMatchLength = 160;

    // Whether the entry carries what its preview needs (a window shows previews; a listing does
    // not, and working out the preview's key is a good part of reading a note).
    enum class Preview { Made, Skipped };
    static LibraryEntry make(const CaptureNote& note, const QString& url,
                             Preview preview = Preview::Made);
    // Case-, diacritic- and width-insensitive folding of searchable text.
    static QString normalize(const QString& text);
    // The folded words of a query: fold once, test many entries.
    static QStringList queryWords(const QString& query);

    // Every word of the query occurs in the searchable text; an empty query matches everything.
    bool matches(const QString& query) const { return matches(queryWords(query)); }
    bool matches(const QStringList& words) const;
    // The line shown for a query: the first non-title fragment holding a query word, as "Label:
    // …window…" around the match; otherwise the excerpt.
    QString matchingExcerpt(const QString& query) const {
        return matchingExcerpt(queryWords(query));
    }
    QString matchingExcerpt(const QStringList& words) const;
};

} // namespace lumbex
