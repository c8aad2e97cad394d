#include "platform/speech_vocabulary.h"

#include <QSet>

namespace lumbex {
namespace {

constexpr qsizetype kLongestWord = 32;

bool wordCharacter(QChar c) {
    return c.isLetter() || c == u'\'';
}

// Splits one run of letters where an identifier's words meet: "navBar" → "nav", "Bar";
// "HTTPServer" → "HTTP", "Server".
QStringList splitCase(const QString& run) {
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 1; i < run.size(); ++i) {
        const bool lowerToUpper = run[i - 1].isLower() && run[i].isUpper();
        const bool acronymEnd =
            i + 1 < run.size() && run[i - 1].isUpper() && run[i].isUpper() && run[i + 1].isLower();
        if (lowerToUpper || acronymEnd) {
            parts.append(run.mid(start, i - start));
            start = i;
        }
    }
    parts.append(run.mid(start));
    return parts;
}

} // namespace

SpeechVocabulary SpeechVocabulary::fromTexts(const QStringList& texts) {
    SpeechVocabulary vocabulary;
    for (const QString& text : texts) {
        QStringList phrase;
        const auto close = [&] {
            if (!phrase.isEmpty())
                vocabulary.phrases.push_back(std::exchange(phrase, {}));
        };
        qsizetype i = 0;
        while (i < text.size()) {
            if (!wordCharacter(text[i])) {
                // Sentence ends and line breaks end a phrase; other separators join words.
                if (text[i] == u'\n' || text[i] == u'!' || text[i] == u'?' ||
                    (text[i] == u'.' && (i + 1 == text.size() || text[i + 1].isSpace())))
                    close();
                ++i;
                continue;
            }
            const qsizetype start = i;
            while (i < text.size() && wordCharacter(text[i]))
                ++i;
            for (const QString& part : splitCase(text.mid(start, i - start))) {
                QString word = part.toLower();
                while (word.startsWith(u'\''))
                    word.remove(0, 1);
                while (word.endsWith(u'\''))
                    word.chop(1);
                if (word.endsWith(u"'s"))
                    word.chop(2);
                if (word.size() >= 2 && word.size() <= kLongestWord)
                    phrase.append(word);
            }
        }
        close();
    }
    return vocabulary;
}

QStringList SpeechVocabulary::words() const {
    QStringList words;
    QSet<QString> seen;
    for (const QStringList& phrase : phrases)
        for (const QString& word : phrase)
            if (!seen.contains(word)) {
                seen.insert(word);
                words.append(word);
            }
    return words;
}

} // namespace lumbex
