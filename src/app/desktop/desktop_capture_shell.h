#pragma once

#include "capture/capture_ports.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

namespace lumbex {

// The application as the capture controller sees it: its windows leave the screen while the user
// picks, come back afterwards, and captures become notes.
class DesktopCaptureShell : public CaptureShell {
public:
    struct Hooks {
        std::function<void(const CaptureDelivery&)> openInEditor;
        std::function<void(QObject* editor, const CaptureDelivery&)> addToEditor;
        std::function<void(const CaptureDelivery&)> showQuickCapture;
        std::function<void()> closeTransientPanels;
    };
    explicit DesktopCaptureShell(Hooks hooks);

    bool isActive() const override;
    void closeTransientPanels() override;
    void hideWindows() override;
    void restoreWindows(bool activate) override;
    void beep() override;
    void showError(const QString& message) override;
    void openInEditor(const CaptureDelivery& capture) override;
    void addToEditor(QObject* editor, const CaptureDelivery& capture) override;
    void showQuickCapture(const CaptureDelivery& capture) override;
    // Whether the last hideWindows() had anything to hide (only then must the screen settle).
    bool hidAnything() const { return !hidden_.empty(); }

private:
    Hooks hooks_;
    std::vector<QPointer<QWidget>> hidden_;
};

} // namespace lumbex
