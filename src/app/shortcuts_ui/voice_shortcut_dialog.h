#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QDialog>
#include <QKeySequence>
#include <functional>
#include <vector>

namespace lumbex {

class ShortcutRecorder;
class VoiceShortcuts;

// "Voice Shortcut": one recorder for the hold-to-dictate shortcut, and Save, Cancel and Remove
// Shortcut. A refusal is shown in an alert and the dialog stays with the person's choice.
class VoiceShortcutDialog : public QDialog {
    Q_OBJECT
public:
    // `captures` and `menuKeys` are what the shortcut must not collide with.
    VoiceShortcutDialog(VoiceShortcuts& voice, CaptureShortcutPair captures,
                        std::vector<QKeySequence> menuKeys, QWidget* parent = nullptr);

    ShortcutRecorder& recorder() const { return *recorder_; }
    // Shows a refusal's message; a message box by default.
    void setAlert(std::function<void(const QString&)> alert) { alert_ = std::move(alert); }

    // Save applies the recorder's shortcut (none when it is empty); Remove Shortcut applies none.
    void save();
    void removeShortcut();

private:
    void apply(const std::optional<CaptureShortcut>& shortcut);

    VoiceShortcuts& voice_;
    CaptureShortcutPair captures_;
    std::vector<QKeySequence> menuKeys_;
    ShortcutRecorder* recorder_;
    std::function<void(const QString&)> alert_;
};

} // namespace lumbex
