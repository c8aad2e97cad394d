#include "app/desktop/control_window.h"

#include "app/desktop/shell_commands.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace lumbex {

ControlWindow::ControlWindow(ShellCommands& commands, QWidget* parent)
    : QWidget(parent, Qt::Window), commands_(commands) {
    setWindowTitle(QStringLiteral("Lumbex"));
    setObjectName(QStringLiteral("Lumbex control window"));
    auto* layout = new QHBoxLayout(this);
    for (const char* id : {"capture.explain", "capture.quick"}) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(commands.registry().action(QString::fromLatin1(id)));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(button);
    }
    auto* more = new QToolButton(this);
    more->setText(QStringLiteral("Lumbex ▾"));
    more->setAccessibleName(QStringLiteral("Lumbex"));
    more->setPopupMode(QToolButton::InstantPopup);
    more->setMenu(commands.statusMenu());
    layout->addWidget(more);
}

void ControlWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    commands_.registry().action(QStringLiteral("app.quit"))->trigger();
}

} // namespace lumbex
