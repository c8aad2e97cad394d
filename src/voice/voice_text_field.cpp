#include "voice/voice_text_field.h"

namespace lumbex {

VoiceTextField::VoiceTextField(VoiceDraft draft) : draft_(std::move(draft)) {}

const TextUndo* VoiceTextField::coalescingEdit() const {
    return coalescing_ ? undo_[*coalescing_].get() : nullptr;
}

std::optional<QString> VoiceTextField::receive(const QString& text, const QString& current,
                                               int segment, bool isFinal) {
    if (composing_) {
        deferred_[segment] = Held{text, isFinal};
        return std::nullopt;
    }
    return apply(text, current, segment, isFinal);
}

std::optional<QString> VoiceTextField::apply(const QString& text, const QString& current,
                                             int segment, bool isFinal) {
    // The steps' drafts saw the field as it was then, so each is its own `current`.
    for (const auto& step : undo_) {
        step->before.update(text, step->before.visible, segment, isFinal);
        step->after.update(text, step->after.visible, segment, isFinal);
    }
    return draft_.update(text, current, segment, isFinal);
}

std::optional<std::size_t> VoiceTextField::userEdited(const QString& text, bool composing,
                                                      double now) {
    composing_ = composing;
    const auto replacement = TextReplacement::between(draft_.visible, text);
    if (!replacement)
        return std::nullopt;
    const VoiceDraft before = draft_;
    draft_.userEdited(text);
    const qsizetype next = replacement->range.location + replacement->text.size();
    if (coalescing_) {
        TextUndo& step = *undo_[*coalescing_];
        const bool continues =
            replacement->range.location == step.nextInsertion ||
            (replacement->text.isEmpty() && replacement->range.end() == step.nextInsertion);
        if (continues && now - step.timestamp < kCoalescingSeconds && now >= step.timestamp) {
            step.after = draft_;
            step.timestamp = now;
            step.nextInsertion = next;
            step.composing = composing;
            return coalescing_;
        }
    }
    undo_.push_back(std::make_shared<TextUndo>(TextUndo{before, draft_, next, now, composing}));
    coalescing_ = undo_.size() - 1;
    return coalescing_;
}

std::optional<QString> VoiceTextField::resume(const QString& current) {
    composing_ = false;
    std::optional<QString> written;
    QString present = current;
    const auto held = std::exchange(deferred_, {});
    for (const auto& [segment, result] : held) {
        if (auto text = apply(result.text, present, segment, result.isFinal)) {
            present = *text;
            written = text;
        }
    }
    return written;
}

void VoiceTextField::freeze() {
    draft_.frozen = true;
    for (const auto& step : undo_) {
        step->before.frozen = true;
        step->after.frozen = true;
    }
    deferred_.clear();
}

void VoiceTextField::stopFollowing() {
    draft_.followsVoice = false;
    coalescing_.reset();
}

} // namespace lumbex
