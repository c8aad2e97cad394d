#pragma once

#include "voice/text_replacement.h"

#include <QList>
#include <QString>
#include <optional>

namespace lumbex {

// One dictated segment inside the text: where its words stand, the separator put before them,
// and whether the user or the recogniser is done with it.
struct Span {
    int id = 0;
    TextRange range;
    QString leading;
    bool edited = false;
    bool final = false;

    friend bool operator==(const Span&, const Span&) = default;
};

// A text field as a voice session sees it: the text it last wrote or was told about, and the
// dictated segments in it. Every position is in UTF-16 code units.
struct VoiceDraft {
    QString visible;
    bool frozen = false;
    qsizetype caret = 0;
    bool followsVoice = true;
    QList<Span> spans;
    qsizetype insertion = 0;

    VoiceDraft() = default;
    // Dictation goes after the selected text and never replaces it; no selection (a negative
    // location) means the end of the text.
    VoiceDraft(const QString& body, const TextRange& selection);

    // Puts a recogniser result for `segment` into the text. `current` is the field's present
    // text: when it is not what the draft last saw the draft freezes. Returns the new text when
    // it changed.
    std::optional<QString> update(const QString& text, const QString& current, int segment,
                                  bool isFinal);
    // The user changed the text to `text`: spans the change touches become the user's, every
    // position moves with it, and the cursor stops following the voice.
    void userEdited(const QString& text);

    // The words the recogniser may still change, to underline; none while frozen.
    std::optional<TextRange> provisionalRange() const;
    // Segments whose words the user changed.
    QList<int> protectedSegments() const;

    friend bool operator==(const VoiceDraft&, const VoiceDraft&) = default;

private:
    Span* span(int segment);
    qsizetype insertionPoint() const;
};

} // namespace lumbex
