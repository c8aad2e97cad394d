#pragma once

#include <QWidget>

namespace lumbex {

class ShellCommands;

// Stands in for the tray icon on desktops without a system tray: a small "Lumbex" window with
// the main capture buttons and the whole status menu, so the application is never unreachable.
class ControlWindow : public QWidget {
    Q_OBJECT
public:
    explicit ControlWindow(ShellCommands& commands, QWidget* parent = nullptr);

protected:
    // Closing the only way into the application quits it.
    void closeEvent(QCloseEvent* event) override;

private:
    ShellCommands& commands_;
};

} // namespace lumbex
