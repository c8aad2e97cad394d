#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QKeySequence>
#include <functional>
#include <optional>
#include <vector>

namespace lumbex {

class ShortcutSettings;

// The optional voice shortcut ("Hold to Dictate"), which works only inside Lumbex: its choice,
// its checks against the capture shortcuts and the menus, and its storage.
class VoiceShortcuts {
public:
    explicit VoiceShortcuts(ShortcutSettings& settings);

    // The stored shortcut when it decodes and is valid.
    const std::optional<CaptureShortcut>& shortcut() const { return shortcut_; }

    // Makes `shortcut` (or none) the voice shortcut and stores it, then calls the changed handler
    // so that open windows show it. `menuKeys` are the key equivalents of every menu item, in
    // the order a depth-first walk of the menus meets them. Throws LumbexError, storing nothing,
    // when the shortcut is not valid or is taken by a capture shortcut or a menu item.
    void apply(const std::optional<CaptureShortcut>& shortcut, const CaptureShortcutPair& captures,
               const std::vector<QKeySequence>& menuKeys);

    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

private:
    ShortcutSettings& settings_;
    std::optional<CaptureShortcut> shortcut_;
    std::function<void()> changed_;
};

// Whether a menu item with the key equivalent `keys` answers to `shortcut`: the same key, ignoring
// letter case, with exactly the same modifiers.
bool menuKeyConflicts(const QKeySequence& keys, const CaptureShortcut& shortcut);

} // namespace lumbex
