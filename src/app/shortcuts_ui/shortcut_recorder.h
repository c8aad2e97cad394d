#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QPushButton>
#include <functional>
#include <optional>

namespace lumbex {

// A button that records one shortcut: click it, then press a combination. Escape ends recording
// without a change; a combination that cannot be a shortcut (no Ctrl, no Alt or Super, a key
// outside the table) sounds the beep and recording goes on. While recording, every key press is
// its own, so that the dialog's buttons and the menus see none of them.
class ShortcutRecorder : public QPushButton {
    Q_OBJECT
public:
    ShortcutRecorder(std::optional<CaptureShortcut> shortcut, const QString& label,
                     QWidget* parent = nullptr);

    const std::optional<CaptureShortcut>& shortcut() const { return shortcut_; }
    void setShortcut(std::optional<CaptureShortcut> shortcut);
    bool isRecording() const { return recording_; }
    void cancelRecording();
    // The system beep by default; tests count it.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

signals:
    void shortcutChanged();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void record();
    void showShortcut();

    std::optional<CaptureShortcut> shortcut_;
    bool recording_ = false;
    std::function<void()> beep_;
};

} // namespace lumbex
