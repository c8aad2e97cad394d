#include "app/desktop/desktop_capture_shell.h"

#include <QApplication>
#include <QMessageBox>

namespace lumbex {

DesktopCaptureShell::DesktopCaptureShell(Hooks hooks) : hooks_(std::move(hooks)) {}

bool DesktopCaptureShell::isActive() const {
    return QApplication::activeWindow() != nullptr;
}

void DesktopCaptureShell::closeTransientPanels() {
    if (hooks_.closeTransientPanels)
        hooks_.closeTransientPanels();
}

void DesktopCaptureShell::hideWindows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // Popups, and windows the window manager does not manage (the tray icon docked into
        // the panel is one), are not windows to take off the screen.
        if (!window->isVisible() || window->windowType() == Qt::Popup ||
            window->windowFlags().testFlag(Qt::BypassWindowManagerHint))
            continue;
        hidden_.emplace_back(window);
        window->hide();
    }
}

void DesktopCaptureShell::restoreWindows(bool activate) {
    QWidget* last = nullptr;
    for (const QPointer<QWidget>& window : hidden_)
        if (window) {
            window->show();
            last = window;
        }
    hidden_.clear();
    if (activate && last) {
        last->raise();
        last->activateWindow();
    }
}

void DesktopCaptureShell::beep() {
    QApplication::beep();
}

void DesktopCaptureShell::showError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void DesktopCaptureShell::openInEditor(const CaptureDelivery& capture) {
    hooks_.openInEditor(capture);
}

void DesktopCaptureShell::addToEditor(QObject* editor, const CaptureDelivery& capture) {
    hooks_.addToEditor(editor, capture);
}

void DesktopCaptureShell::showQuickCapture(const CaptureDelivery& capture) {
    if (hooks_.showQuickCapture)
        hooks_.showQuickCapture(capture);
    else
        hooks_.openInEditor(capture);
}

} // namespace lumbex
