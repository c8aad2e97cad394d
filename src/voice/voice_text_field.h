#pragma once

#include "voice/voice_draft.h"

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// One undo step of typing while a session writes into the same field. Its drafts keep receiving
// dictated words, so that undoing the typing does not take them away.
struct TextUndo {
    VoiceDraft before;
    VoiceDraft after;
    // Where typing that continues this step goes.
    qsizetype nextInsertion = 0;
    // Seconds, on the clock the caller passes in.
    double timestamp = 0;
    bool composing = false;
};

// The share of one text field a voice session keeps: the draft, the results held back while an
// input method composes, and the undo steps of the user's typing. Pure logic: the caller reads the
// field's present text and writes back what this returns.
class VoiceTextField {
public:
    // Typing within this many seconds of the previous keystroke, where it left off, is one step.
    static constexpr double kCoalescingSeconds = 1.0;

    struct Held {
        QString text;
        bool isFinal = false;
    };

    explicit VoiceTextField(VoiceDraft draft);

    const VoiceDraft& draft() const { return draft_; }
    bool composing() const { return composing_; }
    bool hasDeferredText() const { return !deferred_.empty(); }
    const std::map<int, Held>& deferredText() const { return deferred_; }
    // Shared with the undo commands of the note, which outlive the session.
    const std::vector<std::shared_ptr<TextUndo>>& undoSteps() const { return undo_; }
    // The step that typing now would extend, if any.
    const TextUndo* coalescingEdit() const;

    // A result for `segment`: written now (the new text, when it changed) or held while the
    // input method composes.
    std::optional<QString> receive(const QString& text, const QString& current, int segment,
                                   bool isFinal);
    // Writes a result into the draft and into every undo step's drafts.
    std::optional<QString> apply(const QString& text, const QString& current, int segment,
                                 bool isFinal);
    // Whether a result for `segment` is held.
    bool isDeferred(int segment) const { return deferred_.contains(segment); }
    void dropDeferred(int segment) { deferred_.erase(segment); }

    // An input method opened a composition in the field.
    void beginComposition() { composing_ = true; }
    // The user changed the field to `text` at `now` seconds. Returns the index of the undo step
    // that holds the change: a new one, or the coalesced one it extended. None when nothing
    // changed.
    std::optional<std::size_t> userEdited(const QString& text, bool composing, double now);
    // The composition ended: the held results go in, in segment order. `current` is the field's
    // present text. Returns the new text when it changed.
    std::optional<QString> resume(const QString& current);
    // The field changed behind the session's back: no later result touches it.
    void freeze();
    void stopFollowing();
    void breakCoalescing() { coalescing_.reset(); }
    // Undo and redo of a typing step put that step's draft back.
    void restore(const VoiceDraft& draft) { draft_ = draft; }

private:
    VoiceDraft draft_;
    bool composing_ = false;
    std::map<int, Held> deferred_;
    std::vector<std::shared_ptr<TextUndo>> undo_;
    std::optional<std::size_t> coalescing_;
};

} // namespace lumbex
