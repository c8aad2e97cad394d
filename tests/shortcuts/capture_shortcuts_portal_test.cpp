#include "platform/portal_hot_keys.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "support/shortcuts_portal_bus.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// The capture shortcuts bound through the fake desktop portal on a private session bus.
class CaptureShortcutsPortalTest : public testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::ShortcutsPortalBus::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(portalBus.connected()) << "the private session bus did not start";
    }

    void open(const QStringList& options = {}) {
        ASSERT_TRUE(portalBus.startPortal(options)) << "the fake portal did not start";
        hotKeys = openPortalHotKeys(
            portalBus.bus(),
            {{CaptureShortcuts::kExplainId, {QStringLiteral("capture-explain"), QString()}},
             {CaptureShortcuts::kQuickId, {QStringLiteral("quick-capture"), QString()}}});
        ASSERT_NE(hotKeys, nullptr);
        shortcuts = std::make_unique<CaptureShortcuts>(
            settings, *hotKeys, [this](bool explain) { actions.push_back(explain); });
    }

    QString lastBind() {
        const QStringList binds = portalBus.callsStartingWith(QStringLiteral("BindShortcuts"));
        return binds.isEmpty() ? QString() : binds.last();
    }

    void waitForActions(std::size_t count) {
        test::processEventsUntil([&] { return actions.size() >= count; }, 5000);
        test::processEventsFor(300);
    }

    test::ShortcutsPortalBus portalBus;
    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    std::unique_ptr<HotKeys> hotKeys;
    std::unique_ptr<CaptureShortcuts> shortcuts;
    std::vector<bool> actions;
};

TEST_F(CaptureShortcutsPortalTest, BoundDefaultsReadRegisteredAndActivationsCapture) {
    open();
    shortcuts->start();
    EXPECT_EQ(shortcuts->status(0), "Registered");
    EXPECT_EQ(shortcuts->status(1), "Registered");
    portalBus.waitForCalls(QStringLiteral("BindShortcuts"), 2);
    EXPECT_TRUE(lastBind().contains(u"capture-explain=CTRL+ALT+LOGO+f/"))
        << lastBind().toStdString();
    EXPECT_TRUE(lastBind().contains(u"quick-capture=CTRL+ALT+LOGO+q/")) << lastBind().toStdString();
    portalBus.tell("activate quick-capture");
    waitForActions(1);
    EXPECT_EQ(actions, std::vector<bool>{false});
}

TEST_F(CaptureShortcutsPortalTest, APortalThatRefusesLeavesBothUnavailable) {
    for (const char* code : {"1", "2"}) {
        SCOPED_TRACE(code);
        shortcuts.reset();
        hotKeys.reset();
        open({QStringLiteral("--bind-response"), QString::fromLatin1(code)});
        shortcuts->start();
        EXPECT_EQ(shortcuts->status(0), "Unavailable");
        EXPECT_EQ(shortcuts->status(1), "Unavailable");
    }
}

TEST_F(CaptureShortcutsPortalTest, AnAppliedPairIsBoundInANewSession) {
    open();
    shortcuts->start();
    const CaptureShortcutPair pair{{0, 0x0900}, {1, 0x1100}};
    shortcuts->apply(pair, true);
    EXPECT_EQ(shortcuts->status(0), "Registered");
    EXPECT_EQ(shortcuts->status(1), "Registered");
    test::processEventsFor(300);
    const QString bind = lastBind();
    EXPECT_TRUE(bind.contains(u"capture-explain=CTRL+ALT+a/")) << bind.toStdString();
    EXPECT_TRUE(bind.contains(u"quick-capture=CTRL+LOGO+s/")) << bind.toStdString();
    // Every session but the current one was closed.
    const QStringList sessions = portalBus.waitForCalls(QStringLiteral("CreateSession"), 1);
    const QStringList closes = portalBus.callsStartingWith(QStringLiteral("Close"));
    EXPECT_EQ(closes.size(), sessions.size() - 1);
    EXPECT_TRUE(bind.startsWith(QStringLiteral("BindShortcuts ") +
                                sessions.last().section(u' ', 1) + u' '));
    portalBus.tell("activate capture-explain");
    waitForActions(1);
    EXPECT_EQ(actions, std::vector<bool>{true});
}

} // namespace
} // namespace lumbex
