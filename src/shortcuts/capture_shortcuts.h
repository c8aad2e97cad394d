#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QString>
#include <functional>
#include <vector>

namespace lumbex {

class HotKeys;
class ShortcutSettings;

// The two global capture shortcuts: keeps the stored pair registered with the desktop and calls
// `action(true)` for "Capture and Explain", `action(false)` for "Quick Capture". One instance,
// owned by the application; the settings and hot keys must outlive it.
class CaptureShortcuts {
public:
    static constexpr int kExplainId = 1;
    static constexpr int kQuickId = 2;

    CaptureShortcuts(ShortcutSettings& settings, HotKeys& hotKeys,
                     std::function<void(bool)> action);
    ~CaptureShortcuts();
    CaptureShortcuts(const CaptureShortcuts&) = delete;
    CaptureShortcuts& operator=(const CaptureShortcuts&) = delete;

    // Registers the current pair when enabled (after releasing whatever was registered).
    void start();
    // Releases both keys; the pressed handler stays, so a later start() needs nothing else.
    void stop();
    // Makes `pair` and `enabled` current and stores them. Throws LumbexError when the pair is not
    // valid, uses the voice shortcut, or cannot be registered; then nothing is stored and the
    // previous pair is registered again.
    void apply(const CaptureShortcutPair& pair, bool enabled);

    // "Registered", "Unavailable" or "Disabled" for the shortcut at `index` (0 explain, 1 quick).
    QString status(int index) const;
    // Why an unavailable shortcut is so, for its tooltip; empty when nothing is known.
    QString unavailableReason() const;

    const CaptureShortcutPair& configuration() const { return configuration_; }
    bool enabled() const { return enabled_; }
    const std::vector<int>& registration() const { return registration_; }

private:
    ShortcutSettings& settings_;
    HotKeys& hotKeys_;
    std::function<void(bool)> action_;
    CaptureShortcutPair configuration_;
    bool enabled_ = true;
    std::vector<int> registered_;
    std::vector<int> registration_;
};

} // namespace lumbex
