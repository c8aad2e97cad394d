#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QAction;
class QMenu;

namespace lumbex {

// One command a person can choose. Code names it by its id; menus show its title and keys.
struct Command {
    // "capture.explain", "editor.copyForAgent": never shown, and unchanged when the wording is.
    QString id;
    QString title;
    QKeySequence keys = {};
    // Whether it may run now. Asked when a menu opens or the owner's state changes, and again
    // just before running: a key equivalent reaches an action whose state may be stale. Empty:
    // always.
    std::function<bool()> enabled = {};
    std::function<void()> run = {};
    // The title for the current state ("Copy Annotation"), for a title that follows the state.
    std::function<QString()> currentTitle = {};
    // A toggle's state; empty for a plain command.
    std::function<bool()> checked = {};
};

// Commands by id, each with the one action that every menu showing it shares, so that their
// states agree. Menus are built from layouts of ids when a window or the application starts; an
// id nobody registered is a programming error that throws there, so no misspelt id survives a
// test run.
class CommandRegistry : public QObject {
    Q_OBJECT
public:
    explicit CommandRegistry(QObject* parent = nullptr);

    // Throws LumbexError when the id is registered already.
    QAction* add(Command command);
    // Throws LumbexError when no command has the id.
    QAction* action(const QString& id) const;
    // Brings every action's enabled state, title and check mark up to date.
    void refresh() const;
    // The same for one command, whose state changed on its own.
    void refresh(const QString& id) const;
    // Throws LumbexError when the layout names a command nobody registered. In a layout an empty
    // id stands for a separator.
    void check(const QStringList& layout) const;
    // Appends the commands of `layout` to `menu`, in front of `before` when given. Throws as
    // check() does, before changing the menu.
    void addToMenu(QMenu& menu, const QStringList& layout, QAction* before = nullptr) const;

private:
    struct Entry {
        Command command;
        QAction* action;
    };
    const Entry& entry(const QString& id) const;
    static void update(const Entry& entry);

    std::map<QString, Entry> entries_;
};

} // namespace lumbex
