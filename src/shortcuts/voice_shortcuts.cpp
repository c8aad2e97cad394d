#include "shortcuts/voice_shortcuts.h"

#include "core/error.h"
#include "shortcuts/shortcut_settings.h"

#include <QChar>

namespace lumbex {

VoiceShortcuts::VoiceShortcuts(ShortcutSettings& settings)
    : settings_(settings), shortcut_(settings.voiceShortcut()) {}

bool menuKeyConflicts(const QKeySequence& keys, const CaptureShortcut& shortcut) {
    if (keys.isEmpty())
        return false;
    const auto wanted = shortcut.qtKey();
    if (!wanted)
        return false;
    QKeyCombination first = keys[0];
    // A menu written with a lower-case letter still answers to that key.
    const int key = first.key();
    const Qt::Key upper = key < 0x110000 ? Qt::Key(QChar::toUpper(char32_t(key))) : Qt::Key(key);
    const Qt::KeyboardModifiers mask =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return upper == wanted->key() &&
           (first.keyboardModifiers() & mask) == (wanted->keyboardModifiers() & mask);
}

void VoiceShortcuts::apply(const std::optional<CaptureShortcut>& shortcut,
                           const CaptureShortcutPair& captures,
                           const std::vector<QKeySequence>& menuKeys) {
    if (shortcut) {
        if (!shortcut->isValid())
            throw LumbexError(QStringLiteral(
                "Use Command with Option or Control and a letter, number, or function key."));
        if (*shortcut == captures.explain || *shortcut == captures.quick)
            throw LumbexError(QStringLiteral(
                "That combination is a capture shortcut. Choose a different voice shortcut."));
        for (const QKeySequence& keys : menuKeys)
            if (menuKeyConflicts(keys, *shortcut))
                throw LumbexError(QStringLiteral("That combination is already used in Lumbex’s "
                                                 "menus. Choose another voice shortcut."));
    }
    settings_.setVoiceShortcut(shortcut);
    shortcut_ = shortcut;
    if (changed_)
        changed_();
}

} // namespace lumbex
