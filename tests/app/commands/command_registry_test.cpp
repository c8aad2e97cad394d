#include "app/commands/command_registry.h"
#include "core/error.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(CommandRegistry, TheEnabledRuleIsCheckedAgainBeforeRunning) {
    CommandRegistry registry;
    bool allowed = true;
    int runs = 0;
    QAction* explain =
        registry.add({"capture.explain", "Capture and Explain…", QKeySequence(Qt::CTRL | Qt::Key_N),
                      [&] { return allowed; }, [&] { ++runs; }});
    registry.refresh();
    ASSERT_TRUE(explain->isEnabled());

    // The state changed since the menu was last validated: a key equivalent still reaches the
    // action while it shows enabled.
    allowed = false;
    explain->trigger();
    EXPECT_EQ(runs, 0) << "a command ran although its rule refused it";
    EXPECT_FALSE(explain->isEnabled()) << "the refused action still shows enabled";

    allowed = true;
    registry.refresh();
    explain->trigger();
    EXPECT_EQ(runs, 1);
}

TEST(CommandRegistry, AnAmpersandInATitleIsShownNotTakenAsAMnemonic) {
    CommandRegistry registry;
    bool synced = false;
    QAction* action =
        registry.add({"editor.syncSettings", "Sync & Mobile Review…", {}, {}, {}, [&] {
                          return synced ? QStringLiteral("Sync & Review")
                                        : QStringLiteral("Sync & Mobile Review…");
                      }});
    EXPECT_EQ(action->iconText(), QStringLiteral("Sync & Mobile Review…"));
    synced = true;
    registry.refresh();
    EXPECT_EQ(action->iconText(), QStringLiteral("Sync & Review"));
}

TEST(CommandRegistry, AMisspeltOrRepeatedIdFailsWhenTheMenusAreBuilt) {
    CommandRegistry registry;
    registry.add({"capture.explain", "Capture and Explain…"});
    EXPECT_THROW(registry.action(QStringLiteral("capture.explian")), LumbexError);
    EXPECT_THROW(registry.check({QStringLiteral("capture.explain"), QString(),
                                 QStringLiteral("capture.explian")}),
                 LumbexError);
    EXPECT_THROW(registry.add({"capture.explain", "Capture and Explain Again…"}), LumbexError);

    QMenu menu;
    EXPECT_THROW(registry.addToMenu(menu, {QStringLiteral("capture.explain"),
                                           QStringLiteral("Capture and Explain…")}),
                 LumbexError)
        << "a title is not an id";
    EXPECT_TRUE(menu.actions().isEmpty()) << "a failed layout left part of itself in the menu";

    registry.addToMenu(menu, {QStringLiteral("capture.explain"), QString()});
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[0], registry.action(QStringLiteral("capture.explain")));
    EXPECT_TRUE(menu.actions()[1]->isSeparator());
}

TEST(CommandRegistry, TitlesAndCheckMarksFollowTheStateAfterEveryRun) {
    CommandRegistry registry;
    bool selected = false;
    bool loupe = false;
    QAction* copy = registry.add({"editor.copy", "Copy", QKeySequence::Copy, {}, {}, [&] {
                                      return selected ? QStringLiteral("Copy Annotation")
                                                      : QStringLiteral("Copy Image");
                                  }});
    QAction* toggle = registry.add({"editor.pixelLoupe",
                                    "Pixel Loupe",
                                    {},
                                    {},
                                    [&] { loupe = !loupe; },
                                    {},
                                    [&] { return loupe; }});
    registry.refresh();
    EXPECT_EQ(copy->text(), QStringLiteral("Copy Image"));
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_FALSE(toggle->isChecked());

    selected = true;
    registry.refresh(QStringLiteral("editor.copy"));
    EXPECT_EQ(copy->text(), QStringLiteral("Copy Annotation"));
    toggle->trigger();
    EXPECT_TRUE(loupe);
    EXPECT_TRUE(toggle->isChecked());
    // Turned off elsewhere (the inspector's check box): the next refresh follows.
    loupe = false;
    registry.refresh();
    EXPECT_FALSE(toggle->isChecked());
}

} // namespace
} // namespace lumbex
