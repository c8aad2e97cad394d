#include "voice/voice_draft.h"

#include <algorithm>

namespace lumbex {
namespace {

// Words that start with these attach to the word before them.
bool attachesToPrevious(const QString& text) {
    return !text.isEmpty() && QStringLiteral(".,!?;:)]}").contains(text.front());
}

} // namespace

VoiceDraft::VoiceDraft(const QString& body, const TextRange& selection) : visible(body) {
    insertion = selection.location < 0
                    ? body.size()
                    : std::min(selection.location + selection.length, qsizetype(body.size()));
    caret = insertion;
}

Span* VoiceDraft::span(int segment) {
    const auto found =
        std::find_if(spans.begin(), spans.end(), [&](const Span& s) { return s.id == segment; });
    return found == spans.end() ? nullptr : &*found;
}

qsizetype VoiceDraft::insertionPoint() const {
    return spans.isEmpty() ? insertion : spans.back().range.end();
}

std::optional<QString> VoiceDraft::update(const QString& text, const QString& current, int segment,
                                          bool isFinal) {
    if (frozen)
        return std::nullopt;
    if (current != visible) {
        frozen = true;
        return std::nullopt;
    }
    const QString words = text.trimmed();
    if (Span* existing = span(segment)) {
        existing->final = isFinal;
        if (existing->edited)
            return std::nullopt;
        const QString replacementText = words.isEmpty() ? QString() : existing->leading + words;
        const TextReplacement replacement{existing->range, replacementText};
        if (replacement.range.length == 0 && replacementText.isEmpty())
            return std::nullopt;
        const QString before = visible;
        visible = replacement.appliedTo(visible);
        for (Span& other : spans) {
            if (other.id != segment)
                other.range = replacement.rebase(other.range, other.edited);
        }
        existing->range.length = replacementText.size();
        caret = insertionPoint();
        return visible == before ? std::nullopt : std::optional<QString>(visible);
    }
    if (words.isEmpty())
        return std::nullopt;
    const qsizetype at = insertionPoint();
    const QString textBefore = visible.left(at);
    const QString textAfter = visible.mid(at);
    const bool needsNoLeading =
        textBefore.isEmpty() || textBefore.back().isSpace() || attachesToPrevious(words);
    const QString leading = needsNoLeading ? QString() : QStringLiteral(" ");
    const bool needsTrailing =
        spans.isEmpty() && !textAfter.isEmpty() && !textAfter.front().isSpace();
    const QString trailing = needsTrailing ? QStringLiteral(" ") : QString();
    visible.insert(at, leading + words + trailing);
    spans.append(Span{segment, {at, leading.size() + words.size()}, leading, false, isFinal});
    caret = insertionPoint();
    return visible;
}

void VoiceDraft::userEdited(const QString& text) {
    followsVoice = false;
    const auto replacement = TextReplacement::between(visible, text);
    if (!replacement)
        return;
    for (Span& span : spans) {
        const bool touched = replacement->touches(span.range);
        if (touched)
            span.edited = true;
        span.range = replacement->rebase(span.range, touched);
    }
    insertion = replacement->rebase(insertion);
    caret = replacement->rebase(caret);
    visible = text;
}

std::optional<TextRange> VoiceDraft::provisionalRange() const {
    if (frozen)
        return std::nullopt;
    for (auto span = spans.crbegin(); span != spans.crend(); ++span) {
        if (!span->edited && !span->final && span->range.length > 0)
            return span->range;
    }
    return std::nullopt;
}

QList<int> VoiceDraft::protectedSegments() const {
    QList<int> segments;
    for (const Span& span : spans) {
        if (span.edited)
            segments.append(span.id);
    }
    return segments;
}

} // namespace lumbex
