#include "app/desktop/desktop_app.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/voice_shortcuts.h"

namespace lumbex {

ShortcutsHandler DesktopApp::shortcutsHandler() {
    return {
        [this] {
            ShortcutsState state;
            state.pair = shortcuts_->configuration();
            state.enabled = shortcuts_->enabled();
            state.voice = voiceShortcuts_->shortcut();
            state.statuses = {shortcuts_->status(0), shortcuts_->status(1)};
            return state;
        },
        [this](const CaptureShortcutPair& pair, bool enabled) { shortcuts_->apply(pair, enabled); },
        [this](const std::optional<CaptureShortcut>& voice) {
            voiceShortcuts_->apply(voice, shortcuts_->configuration(), menuKeys());
        }};
}

} // namespace lumbex
