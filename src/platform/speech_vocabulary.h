#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace lumbex {

// Words a recogniser should expect in one voice note: the note's own title, texts, recognised
// image text and file names. Kept as phrases (runs of lower-case words in their order) so that a
// recogniser can learn which words follow which.
struct SpeechVocabulary {
    std::vector<QStringList> phrases;

    bool empty() const { return phrases.empty(); }
    // Splits texts into words: letters and apostrophes, with identifiers broken at case changes,
    // digits, underscores and dots ("SettingsView.swift" → "settings view swift").
    static SpeechVocabulary fromTexts(const QStringList& texts);
    // Every distinct word, in first-seen order.
    QStringList words() const;
};

} // namespace lumbex
