#include "voice/text_replacement.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace lumbex {
namespace {

bool isCharacterBoundary(const QString& text, qsizetype position) {
    if (position <= 0 || position >= text.size())
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary();
}

} // namespace

std::optional<TextReplacement> TextReplacement::between(const QString& before,
                                                        const QString& after) {
    if (before == after)
        return std::nullopt;
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    while (prefix > 0 &&
           !(isCharacterBoundary(before, prefix) && isCharacterBoundary(after, prefix)))
        --prefix;
    qsizetype suffix = 0;
    const qsizetype room = shorter - prefix;
    while (suffix < room && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && !(isCharacterBoundary(before, before.size() - suffix) &&
                           isCharacterBoundary(after, after.size() - suffix)))
        --suffix;
    const qsizetype replacedLength = before.size() - prefix - suffix;
    return TextReplacement{{prefix, replacedLength},
                           after.mid(prefix, after.size() - prefix - suffix)};
}

QString TextReplacement::appliedTo(const QString& before) const {
    QString after = before;
    after.replace(range.location, range.length, text);
    return after;
}

bool TextReplacement::touches(const TextRange& other) const {
    if (range.length == 0)
        return other.location <= range.location && range.location <= other.end();
    if (other.length == 0)
        return range.location < other.location && other.location < range.end();
    return other.location < range.end() && range.location < other.end();
}

TextRange TextReplacement::rebase(const TextRange& other, bool includeReplacement) const {
    const qsizetype a = range.location;
    const qsizetype b = range.end();
    if (includeReplacement && touches(other)) {
        const qsizetype start = std::min(other.location, a);
        const qsizetype end = std::max(other.end(), b) + delta();
        return {start, end - start};
    }
    const qsizetype s = other.location;
    const qsizetype e = other.end();
    qsizetype start = s >= b ? s + delta() : (s <= a ? s : a + text.size());
    const qsizetype end = e <= a && !(e == s && s >= b) ? e : (e >= b ? e + delta() : a);
    if (end < start)
        start = end;
    return {start, end - start};
}

qsizetype TextReplacement::rebase(qsizetype offset) const {
    if (offset >= range.end())
        return offset + delta();
    if (offset <= range.location)
        return offset;
    return range.location + text.size();
}

} // namespace lumbex
