#pragma once

#include "app/commands/command_registry.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QMenuBar;

namespace lumbex {

// The application's menus, built from its commands: the status menu (tray or control window) and
// the "Lumbex", File and Help menus of every editor window. They show the same actions, so their
// enabled states agree everywhere.
class ShellCommands : public QObject {
    Q_OBJECT
public:
    // The "Open Recent" submenu.
    struct RecentNotesMenu {
        // Title and package path of each entry, newest first.
        std::function<std::vector<std::pair<QString, QString>>()> entries;
        std::function<void(const QString& path)> open;
    };
    // Registers the commands and builds the status menu. Throws LumbexError when a menu names a
    // command that is not among them.
    ShellCommands(std::vector<Command> commands, RecentNotesMenu recent);
    ~ShellCommands() override;

    CommandRegistry& registry() { return registry_; }
    // The status menu, in its fixed order, without keys.
    QMenu* statusMenu() const { return statusMenu_.get(); }
    // Adds the application's menus to an editor window's menu bar: "Lumbex" in front, the capture
    // and open commands at the top of its File menu, and "Help" at the end.
    void install(QMenuBar* bar) const;
    void refreshEnabled() const { registry_.refresh(); }

private:
    void fillRecent(QMenu* menu) const;

    CommandRegistry registry_;
    RecentNotesMenu recent_;
    std::unique_ptr<QMenu> statusMenu_;
};

} // namespace lumbex
