#pragma once

#include "shortcuts/capture_shortcut.h"

#include <optional>

class QSettings;

namespace lumbex {

// The shortcut choices kept in the application's settings: "captureShortcutPair" (JSON of the
// pair), "globalShortcutsEnabled" (on unless stored off) and "voiceShortcut" (JSON of one
// shortcut; absent means none).
class ShortcutSettings {
public:
    explicit ShortcutSettings(QSettings& settings);

    // The defaults when nothing is stored, the data does not decode, or the pair is not valid.
    CaptureShortcutPair capturePair() const;
    bool globalShortcutsEnabled() const;
    void setCaptureShortcuts(const CaptureShortcutPair& pair, bool enabled);

    // The stored voice shortcut when it decodes, valid or not.
    std::optional<CaptureShortcut> storedVoiceShortcut() const;
    // The stored voice shortcut when it decodes and is valid.
    std::optional<CaptureShortcut> voiceShortcut() const;
    // Removes the key for none.
    void setVoiceShortcut(const std::optional<CaptureShortcut>& shortcut);

private:
    QSettings& settings_;
};

} // namespace lumbex
