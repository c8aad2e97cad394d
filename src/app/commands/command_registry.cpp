#include "app/commands/command_registry.h"

#include "core/error.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace lumbex {

namespace {

// Command titles are plain text: an ampersand ("Sync & Mobile Review…") is shown, not taken as
// the mark of a keyboard mnemonic.
QString actionText(const QString& title) {
    return QString(title).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent) {}

QAction* CommandRegistry::add(Command command) {
    if (entries_.count(command.id))
        throw LumbexError(QStringLiteral("The command “%1” is registered twice.").arg(command.id));
    auto* action = new QAction(actionText(command.title), this);
    action->setObjectName(command.id);
    action->setShortcut(command.keys);
    // The menu bar shows keys; the status menu and context menus show none.
    action->setShortcutVisibleInContextMenu(false);
    action->setCheckable(bool(command.checked));
    const QString id = command.id;
    entries_.emplace(id, Entry{std::move(command), action});
    connect(action, &QAction::triggered, this, [this, id] {
        const Entry& chosen = entry(id);
        if (chosen.command.enabled && !chosen.command.enabled()) {
            update(chosen);
            return;
        }
        // A command may close the window that owns this registry.
        const QPointer<CommandRegistry> alive(this);
        if (chosen.command.run)
            chosen.command.run();
        if (alive)
            update(chosen);
    });
    return action;
}

const CommandRegistry::Entry& CommandRegistry::entry(const QString& id) const {
    const auto found = entries_.find(id);
    if (found == entries_.end())
        throw LumbexError(QStringLiteral("No command is registered as “%1”.").arg(id));
    return found->second;
}

QAction* CommandRegistry::action(const QString& id) const {
    return entry(id).action;
}

void CommandRegistry::update(const Entry& entry) {
    const Command& command = entry.command;
    entry.action->setEnabled(!command.enabled || command.enabled());
    if (command.currentTitle)
        entry.action->setText(actionText(command.currentTitle()));
    if (command.checked)
        entry.action->setChecked(command.checked());
}

void CommandRegistry::refresh() const {
    for (const auto& [id, entry] : entries_)
        update(entry);
}

void CommandRegistry::refresh(const QString& id) const {
    update(entry(id));
}

void CommandRegistry::check(const QStringList& layout) const {
    for (const QString& id : layout)
        if (!id.isEmpty())
            entry(id);
}

void CommandRegistry::addToMenu(QMenu& menu, const QStringList& layout, QAction* before) const {
    check(layout);
    for (const QString& id : layout) {
        if (id.isEmpty())
            menu.insertSeparator(before);
        else
            menu.insertAction(before, action(id));
    }
}

} // namespace lumbex
