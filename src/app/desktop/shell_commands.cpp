#include "app/desktop/shell_commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace lumbex {

const QStringList& statusMenuTitles() {
    static const QStringList titles{
        QStringLiteral("Quick Capture…"),
        QStringLiteral("Capture and Explain…"),
        QStringLiteral("Capture Window…"),
        QStringLiteral("Capture Main Display"),
        QStringLiteral("Capture Last Area"),
        QStringLiteral("Quick Capture Last Area"),
        QStringLiteral("Capture After Delay…"),
        QStringLiteral("Scrolling Capture…"),
        QStringLiteral("Stitch Scroll Images…"),
        QStringLiteral("Cancel Capture"),
        QString(),
        QStringLiteral("Record Screen…"),
        QStringLiteral("Pause or Resume Recording"),
        QStringLiteral("Stop Recording"),
        QStringLiteral("Recover Recording…"),
        QString(),
        QStringLiteral("Open…"),
        QStringLiteral("Show Saved Notes"),
        QString(),
        QStringLiteral("Capture Shortcuts…"),
        QStringLiteral("Capture Options…"),
        QStringLiteral("Set Voice Shortcut…"),
        QStringLiteral("Getting Started"),
        QStringLiteral("About Lumbex"),
        QString(),
        QStringLiteral("Quit Lumbex"),
    };
    return titles;
}

ShellCommands::ShellCommands(Handlers handlers, QObject* parent)
    : QObject(parent), handlers_(std::move(handlers)), statusMenu_(new QMenu) {
    statusMenu_->setTitle(QStringLiteral("Lumbex"));
    for (const QString& title : statusMenuTitles()) {
        if (title.isEmpty())
            statusMenu_->addSeparator();
        else
            statusMenu_->addAction(make(title));
    }
    // Menu-bar key equivalents (the status menu shows none).
    const std::pair<const char*, QKeySequence> keys[] = {
        {"Capture and Explain…", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Quick Capture…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {"Capture Last Area", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R)},
        {"Quick Capture Last Area", QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_R)},
        {"Open…", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"Quit Lumbex", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& [title, sequence] : keys)
        actions_.at(QString::fromUtf8(title))->setShortcut(sequence);
    for (const char* title : {"New from Clipboard", "Try a Sample", "Privacy"})
        make(QString::fromUtf8(title));
    actions_.at(QStringLiteral("New from Clipboard"))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N));
    connect(statusMenu_, &QMenu::aboutToShow, this, &ShellCommands::refreshEnabled);
}

QAction* ShellCommands::make(const QString& title, const QKeySequence& keys) {
    auto* action = new QAction(title, this);
    action->setShortcut(keys);
    action->setObjectName(title);
    // The same actions serve the menu bar, where keys are shown, and the status menu, where not.
    action->setShortcutVisibleInContextMenu(false);
    connect(action, &QAction::triggered, this, [this, title] {
        // Shortcuts bypass menu validation: check again before acting.
        if (!handlers_.enabled || handlers_.enabled(title))
            handlers_.run(title);
    });
    actions_[title] = action;
    return action;
}

QAction* ShellCommands::action(const QString& title) const {
    const auto it = actions_.find(title);
    return it == actions_.end() ? nullptr : it->second;
}

void ShellCommands::refreshEnabled() const {
    if (!handlers_.enabled)
        return;
    for (const auto& [title, action] : actions_)
        action->setEnabled(handlers_.enabled(title));
}

void ShellCommands::fillRecent(QMenu* menu) const {
    menu->clear();
    const auto entries = handlers_.recentNotes ? handlers_.recentNotes()
                                               : std::vector<std::pair<QString, QString>>();
    if (entries.empty()) {
        menu->addAction(QStringLiteral("No Recent Notes"))->setEnabled(false);
        return;
    }
    for (const auto& [title, path] : entries) {
        QAction* entry = menu->addAction(title);
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { handlers_.openRecent(path); });
    }
}

void ShellCommands::install(QMenuBar* bar) const {
    const QList<QAction*> existing = bar->actions();
    QAction* first = existing.value(0);
    QMenu* application = new QMenu(QStringLiteral("Lumbex"), bar);
    for (const char* title : {"About Lumbex", "Capture Shortcuts…", "Set Voice Shortcut…",
                              "Capture Options…", "Show Saved Notes"})
        application->addAction(action(QString::fromUtf8(title)));
    application->addSeparator();
    application->addAction(action(QStringLiteral("Quit Lumbex")));
    bar->insertMenu(first, application);

    if (QMenu* file = first ? first->menu() : nullptr) {
        QAction* top = file->actions().value(0);
        for (const QString& title : statusMenuTitles().mid(0, 15)) {
            if (title.isEmpty())
                file->insertSeparator(top);
            else
                file->insertAction(top, action(title));
        }
        file->insertSeparator(top);
        for (const char* title : {"Open…", "New from Clipboard"})
            file->insertAction(top, action(QString::fromUtf8(title)));
        QMenu* recent = new QMenu(QStringLiteral("Open Recent"), file);
        file->insertMenu(top, recent);
        file->insertSeparator(top);
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecent(recent); });
        connect(file, &QMenu::aboutToShow, this, &ShellCommands::refreshEnabled);
    }

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    for (const char* title : {"Getting Started", "Try a Sample", "Privacy"})
        help->addAction(action(QString::fromUtf8(title)));
}

} // namespace lumbex
