#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace lumbex {

// The application's own commands (captures, opening notes, help) as shared actions: the status
// menu (tray or control window) and the menu bar of every editor window show the same objects,
// so their enabled states agree everywhere.
class ShellCommands : public QObject {
    Q_OBJECT
public:
    // What the actions do and when they are enabled; the owner fills in every handler.
    struct Handlers {
        std::function<void(const QString& title)> run;
        // Enabled state of one command, asked each time a menu opens or the state changes.
        std::function<bool(const QString& title)> enabled;
        // Entries of "Open Recent": title and the package path.
        std::function<std::vector<std::pair<QString, QString>>()> recentNotes;
        std::function<void(const QString& path)> openRecent;
    };
    explicit ShellCommands(Handlers handlers, QObject* parent = nullptr);

    QAction* action(const QString& title) const;
    // The status menu, in its fixed order.
    QMenu* statusMenu() const { return statusMenu_; }
    // Adds the application's menus to an editor window's menu bar: "Lumbex" in front, the capture
    // and open commands at the top of its File menu, and "Help" at the end.
    void install(QMenuBar* bar) const;
    void refreshEnabled() const;

private:
    QAction* make(const QString& title, const QKeySequence& keys = {});
    void fillRecent(QMenu* menu) const;

    Handlers handlers_;
    std::map<QString, QAction*> actions_;
    QMenu* statusMenu_;
};

// The status menu's commands in order; empty strings are separators.
const QStringList& statusMenuTitles();

} // namespace lumbex
