#include "library/library_entry.h"

#include "library/library_text.h"
#include "recognition/recognition_cache.h"

namespace lumbex {
namespace {

const QString kTitle = QStringLiteral("Title");
const QString kNote = QStringLiteral("Note");
const QString kTranscript = QStringLiteral("Transcript");
const QString kRecognized = QStringLiteral("Recognized text");

bool isBlank(const QString& text) {
    for (QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

QString excerptOf(const std::vector<QString>& noteTexts, const std::vector<QString>& recognized) {
    for (const QString& text : noteTexts)
        if (!isBlank(text))
            return LibraryText::oneLine(text, LibraryEntry::kExcerptLength);
    if (!recognized.empty())
        return LibraryText::oneLine(recognized.front(), LibraryEntry::kExcerptLength);
    return QStringLiteral("No description");
}

} // namespace

LibraryEntry LibraryEntry::make(const CaptureNote& note, const QString& url, Preview preview) {
    std::vector<QString> noteTexts{note.general};
    for (const LinkedNote& linked : note.notes)
        noteTexts.push_back(linked.body);
    std::vector<QString> recognized;
    for (const Media& media : note.media)
        if (media.recognition)
            if (std::optional<QString> text = cachedText(note, media))
                recognized.push_back(*text);

    LibraryEntry entry;
    entry.id = note.id;
    entry.url = url;
    entry.title = note.title;
    entry.modifiedAt = note.modifiedAt;
    entry.fragments.push_back({kTitle, note.title});
    for (const QString& text : noteTexts)
        entry.fragments.push_back({kNote, text});
    if (note.recordings)
        for (const VoiceRecording& recording : *note.recordings)
            entry.fragments.push_back({kTranscript, recording.transcript});
    for (const QString& text : recognized)
        entry.fragments.push_back({kRecognized, text});
    entry.excerpt = excerptOf(noteTexts, recognized);

    QString joined;
    for (const LibraryFragment& fragment : entry.fragments) {
        if (!joined.isEmpty())
            joined += u'\n';
        joined += fragment.text;
    }
    entry.searchText = normalize(joined);
    if (preview == Preview::Made)
        entry.thumbnail = LibraryThumbnail::make(note);
    return entry;
}

QString LibraryEntry::normalize(const QString& text) {
    return LibraryText::fold(text);
}

QStringList LibraryEntry::queryWords(const QString& query) {
    return LibraryText::words(query);
}

bool LibraryEntry::matches(const QStringList& words) const {
    for (const QString& word : words)
        if (!searchText.contains(word))
            return false;
    return true;
}

QString LibraryEntry::matchingExcerpt(const QStringList& words) const {
    if (words.isEmpty())
        return excerpt;
    for (const LibraryFragment& fragment : fragments) {
        if (fragment.label == kTitle)
            continue;
        const qsizetype at = LibraryText::firstMatch(fragment.text, words);
        if (at >= 0)
            return fragment.label + QStringLiteral(": ") +
                   LibraryText::window(fragment.text, at, kMatchLead, kMatchLength);
    }
    return excerpt;
}

} // namespace lumbex
