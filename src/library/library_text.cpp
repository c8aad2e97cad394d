#include "library/library_text.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace lumbex::LibraryText {
namespace {

bool isMark(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029) ||
           c == QChar(0x0085) || c == u'\v' || c == u'\f';
}

QString withoutLineBreaks(QString text) {
    for (QChar& c : text)
        if (isLineBreak(c))
            c = u' ';
    return text;
}

QString withoutMarks(const QString& decomposed) {
    QString out;
    out.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar c = decomposed[i];
        if (c.isHighSurrogate() && i + 1 < decomposed.size() &&
            decomposed[i + 1].isLowSurrogate()) {
            const QChar low = decomposed[i + 1];
            if (!isMark(QChar::surrogateToUcs4(c, low))) {
                out.append(c);
                out.append(low);
            }
            ++i;
        } else if (!isMark(c.unicode())) {
            out.append(c);
        }
    }
    return out;
}

// Plain ASCII needs only lower-casing; most of a note is plain ASCII, so this spares the
// normalisation of every such run.
bool isAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

qsizetype previousBoundary(const QString& text, qsizetype position) {
    if (position <= 0)
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary() ? position : finder.toPreviousBoundary();
}

qsizetype nextBoundary(const QString& text, qsizetype position) {
    if (position >= text.size())
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary() ? position : finder.toNextBoundary();
}

// Folds text holding no ASCII character.
QString foldOther(QStringView text) {
    // Qt folds case one character to one character; ß folds to "ss" as in full case folding.
    return withoutMarks(text.toString().normalized(QString::NormalizationForm_KD))
        .toCaseFolded()
        .replace(QChar(0x00DF), QStringLiteral("ss"));
}

} // namespace

QString fold(const QString& text) {
    if (isAscii(text))
        return text.toLower();
    // Decomposition and case folding act on each character alone and marks are dropped, so
    // ASCII runs (most of a note) are only lower-cased and the rest is folded run by run.
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        const bool ascii = text[i].unicode() < 0x80;
        while (end < text.size() && (text[end].unicode() < 0x80) == ascii)
            ++end;
        if (ascii) {
            for (qsizetype j = i; j < end; ++j) {
                const char16_t c = text[j].unicode();
                out.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
            }
        } else {
            out.append(foldOther(QStringView(text).mid(i, end - i)));
        }
        i = end;
    }
    return out;
}

QStringList words(const QString& query) {
    // Compiled once per thread rather than at every call (a listing folds a query per entry).
    thread_local const QRegularExpression spaces(QStringLiteral("\\s+"));
    return fold(query).split(spaces, Qt::SkipEmptyParts);
}

qsizetype firstMatch(const QString& text, const QStringList& foldedWords) {
    const QString whole = fold(text);
    if (std::none_of(foldedWords.begin(), foldedWords.end(),
                     [&](const QString& word) { return whole.contains(word); }))
        return -1;
    // The folding of each character, with where it came from, so that a match in the folded
    // text points back into the original (folding acts on each character alone).
    QString folded;
    std::vector<qsizetype> origin;
    folded.reserve(text.size());
    origin.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            folded.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
            origin.push_back(i++);
            continue;
        }
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString piece = foldOther(QStringView(text).mid(i, length));
        folded += piece;
        origin.insert(origin.end(), size_t(piece.size()), i);
        i += length;
    }
    qsizetype best = -1;
    for (const QString& word : foldedWords) {
        const qsizetype at = folded.indexOf(word);
        if (at >= 0 && (best < 0 || at < best))
            best = at;
    }
    return best < 0 ? -1 : origin[size_t(best)];
}

QString window(const QString& text, qsizetype position, qsizetype lead, qsizetype length) {
    const qsizetype start = previousBoundary(text, std::max<qsizetype>(0, position - lead));
    const qsizetype end = nextBoundary(text, std::min(text.size(), start + length));
    QString shown = withoutLineBreaks(text.mid(start, end - start));
    return start > 0 ? QStringLiteral("…") + shown : shown;
}

QString oneLine(const QString& text, qsizetype length) {
    if (text.size() <= length)
        return withoutLineBreaks(text);
    return withoutLineBreaks(text.left(previousBoundary(text, length)));
}

} // namespace lumbex::LibraryText
