#include "app/desktop/shell_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace lumbex {
namespace {

// The status menu's first groups, also at the top of every editor's File menu.
const QStringList& captureAndRecordingCommands() {
    static const QStringList ids{
        QStringLiteral("capture.quick"),
        QStringLiteral("capture.explain"),
        QStringLiteral("capture.window"),
        QStringLiteral("capture.display"),
        QStringLiteral("capture.lastArea"),
        QStringLiteral("capture.quickLastArea"),
        QStringLiteral("capture.afterDelay"),
        QStringLiteral("capture.scrolling"),
        QStringLiteral("capture.stitchImages"),
        QStringLiteral("capture.cancel"),
        QString(),
        QStringLiteral("recording.record"),
        QStringLiteral("recording.pauseResume"),
        QStringLiteral("recording.stop"),
        QStringLiteral("recording.recover"),
    };
    return ids;
}

const QStringList& statusMenuLayout() {
    static const QStringList ids = [] {
        QStringList layout = captureAndRecordingCommands();
        layout << QString() << QStringLiteral("file.open") << QStringLiteral("library.show")
               << QStringLiteral("deleted.show") << QString() << QStringLiteral("shortcuts.capture")
               << QStringLiteral("capture.options") << QStringLiteral("shortcuts.voice")
               << QStringLiteral("app.openAtLogin") << QStringLiteral("help.gettingStarted")
               << QStringLiteral("app.about") << QString() << QStringLiteral("app.quit");
        return layout;
    }();
    return ids;
}

const QStringList& applicationMenuLayout() {
    static const QStringList ids{
        QStringLiteral("app.about"),
        QStringLiteral("shortcuts.capture"),
        QStringLiteral("shortcuts.voice"),
        QStringLiteral("capture.options"),
        QStringLiteral("library.show"),
        QStringLiteral("deleted.show"),
        QString(),
        QStringLiteral("app.quit"),
    };
    return ids;
}

// The top of an editor's File menu, above "Open Recent".
const QStringList& fileMenuLayout() {
    static const QStringList ids = [] {
        QStringList layout = captureAndRecordingCommands();
        layout << QString() << QStringLiteral("file.open")
               << QStringLiteral("file.newFromClipboard");
        return layout;
    }();
    return ids;
}

const QStringList& helpMenuLayout() {
    static const QStringList ids{QStringLiteral("help.gettingStarted"),
                                 QStringLiteral("help.trySample"), QStringLiteral("help.privacy")};
    return ids;
}

} // namespace

ShellCommands::ShellCommands(std::vector<Command> commands, RecentNotesMenu recent)
    : recent_(std::move(recent)), statusMenu_(std::make_unique<QMenu>()) {
    for (Command& command : commands)
        registry_.add(std::move(command));
    for (const QStringList* layout :
         {&applicationMenuLayout(), &fileMenuLayout(), &helpMenuLayout()})
        registry_.check(*layout);
    statusMenu_->setTitle(QStringLiteral("Lumbex"));
    registry_.addToMenu(*statusMenu_, statusMenuLayout());
    connect(statusMenu_.get(), &QMenu::aboutToShow, this, &ShellCommands::refreshEnabled);
}

ShellCommands::~ShellCommands() = default;

void ShellCommands::fillRecent(QMenu* menu) const {
    menu->clear();
    const auto entries =
        recent_.entries ? recent_.entries() : std::vector<std::pair<QString, QString>>();
    if (entries.empty()) {
        menu->addAction(QStringLiteral("No Recent Notes"))->setEnabled(false);
        return;
    }
    for (const auto& [title, path] : entries) {
        QAction* entry = menu->addAction(title);
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { recent_.open(path); });
    }
}

void ShellCommands::install(QMenuBar* bar) const {
    QAction* first = bar->actions().value(0);
    auto* application = new QMenu(QStringLiteral("Lumbex"), bar);
    registry_.addToMenu(*application, applicationMenuLayout());
    bar->insertMenu(first, application);

    if (QMenu* file = first ? first->menu() : nullptr) {
        QAction* top = file->actions().value(0);
        registry_.addToMenu(*file, fileMenuLayout(), top);
        QMenu* recent = new QMenu(QStringLiteral("Open Recent"), file);
        file->insertMenu(top, recent);
        file->insertSeparator(top);
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecent(recent); });
        connect(file, &QMenu::aboutToShow, this, &ShellCommands::refreshEnabled);
    }

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    registry_.addToMenu(*help, helpMenuLayout());
}

} // namespace lumbex
