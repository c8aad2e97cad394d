#pragma once

#include <QString>
#include <optional>

namespace lumbex {

// A stretch of a text in UTF-16 code units, as text fields count.
struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// One change of a text: `range` of the old text becomes `text`.
struct TextReplacement {
    TextRange range;
    QString text;

    // The smallest replacement that turns `before` into `after`: the longest common prefix, then
    // the longest common suffix that does not overlap it, both whole characters (a surrogate pair
    // or a letter with its combining marks is never split). None when the texts are equal.
    static std::optional<TextReplacement> between(const QString& before, const QString& after);

    qsizetype delta() const { return text.size() - range.length; }
    QString appliedTo(const QString& before) const;
    // Whether the change reaches into `other`: an edit of some length touches the ranges it
    // overlaps and the empty ranges strictly inside it; an insertion touches the ranges that
    // contain its place, ends included.
    bool touches(const TextRange& other) const;
    // Where `other` lies after the change. With `includeReplacement` a touched range grows to
    // hold the new text; otherwise it keeps only what lies outside the replaced stretch, and an
    // insertion at its start pushes it along.
    TextRange rebase(const TextRange& other, bool includeReplacement) const;
    // Where an offset lies after the change; an insertion at the offset pushes it along.
    qsizetype rebase(qsizetype offset) const;

    friend bool operator==(const TextReplacement&, const TextReplacement&) = default;
};

} // namespace lumbex
