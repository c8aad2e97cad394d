#include "app/commands/menu_keys.h"
#include "shortcuts/voice_shortcuts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(MenuKeyEquivalents, WalksEverySubmenuDepthFirst) {
    QMenuBar bar;
    QMenu* file = bar.addMenu("File");
    file->addAction("Capture and Explain…")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QMenu* recent = file->addMenu("Open Recent");
    QMenu* deeper = recent->addMenu("More");
    deeper->addAction("Deep")->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    recent->addAction("Clear Menu");
    file->addAction("Save")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    bar.addMenu("Edit")->addAction("Undo")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));

    const std::vector<QKeySequence> keys = menuKeyEquivalents(bar.actions());
    EXPECT_EQ(keys, (std::vector<QKeySequence>{
                        QKeySequence(Qt::CTRL | Qt::Key_N),
                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D),
                        QKeySequence(Qt::CTRL | Qt::Key_S),
                        QKeySequence(Qt::CTRL | Qt::Key_Z),
                    }));
    // A key three menus down still conflicts with a voice shortcut.
    EXPECT_TRUE(std::any_of(keys.begin(), keys.end(), [](const QKeySequence& k) {
        return menuKeyConflicts(k, CaptureShortcut{2, 0x0900});
    }));
}

} // namespace
} // namespace lumbex
