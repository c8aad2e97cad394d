#include "platform/portal_screen_cast.h"
#include "support/event_waiting.h"
#include "support/screen_cast_portal_bus.h"
#include "support/thrown_message.h"

#include <QDBusConnection>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

// A private session bus with the fake ScreenCast portal (fake_screen_cast_portal_main.cpp) on it,
// and this process's connection to that bus.
class ScreenCastSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::ScreenCastPortalBus::unavailableReason();
            !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_FALSE(portalBus.address().isEmpty()) << "the private bus did not start";
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(portalBus.address(), QStringLiteral("screen-cast-bus")));
        ASSERT_TRUE(bus->isConnected());
    }

    void TearDown() override {
        bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("screen-cast-bus"));
    }

    void startPortal(const QStringList& options) { ASSERT_TRUE(portalBus.startPortal(options)); }

    // The portal's log lags behind its answers by a pipe.
    QStringList waitForCalls(const QString& start, qsizetype count) {
        return portalBus.waitForCalls(start, count);
    }

    ScreenCastOffer offer() {
        const std::optional<ScreenCastOffer> offered = screenCastOffer(*bus);
        EXPECT_TRUE(offered.has_value());
        return offered.value_or(ScreenCastOffer{});
    }

    test::ScreenCastPortalBus portalBus{QStringLiteral(LUMBEX_FAKE_SCREEN_CAST_PORTAL)};
    std::unique_ptr<QDBusConnection> bus;
};

TEST_F(ScreenCastSessionTest, WithoutAPortalNothingIsOffered) {
    EXPECT_FALSE(screenCastOffer(*bus).has_value());
}

TEST_F(ScreenCastSessionTest, TheGrantTheTokenAndTheConnectionArrive) {
    startPortal({});
    const ScreenCastOffer offered = offer();
    EXPECT_EQ(offered.version, 4u);
    EXPECT_EQ(offered.sourceTypes, kScreenCastMonitor);
    EXPECT_EQ(offered.cursorModes, 3u);
    {
        ScreenCastSession session(*bus, offered, {kScreenCastMonitor, true, "earlier-token"});
        EXPECT_EQ(session.stream(),
                  (ScreenCastStream{57, QPoint(10, 20), QSize(640, 480), kScreenCastMonitor}));
        EXPECT_EQ(session.restoreToken(), "fresh-token");
        const int fd = session.takePipeWireFd();
        EXPECT_GE(fd, 0);
        EXPECT_EQ(session.takePipeWireFd(), -1);
        ::close(fd);
        EXPECT_EQ(waitForCalls("SelectSources", 1),
                  QStringList{"SelectSources types=1 multiple=false cursor_mode=2 persist_mode=2 "
                              "restore_token=earlier-token"});
    }
    // The session closes with the object.
    const QStringList created = waitForCalls("CreateSession", 1);
    ASSERT_EQ(created.size(), 1);
    EXPECT_EQ(waitForCalls("Close", 1),
              QStringList{QStringLiteral("Close ") + created.front().section(u' ', 1)});
}

TEST_F(ScreenCastSessionTest, ThePointerIsEmbeddedOnlyWhenWantedAndOffered) {
    struct Row {
        QString modes;
        bool cursor;
        QString line;
    } rows[] = {
        {"3", true, "cursor_mode=2"},
        {"3", false, "cursor_mode=1"},
        {"1", true, "cursor_mode=1"},
        {"5", true, "cursor_mode=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.modes.toStdString() + (row.cursor ? " wanted" : " not wanted"));
        startPortal({"--cursor-modes", row.modes});
        ScreenCastSession session(*bus, offer(), {kScreenCastMonitor, row.cursor, {}});
        const QStringList selected = waitForCalls("SelectSources", 1);
        ASSERT_EQ(selected.size(), 1);
        EXPECT_TRUE(selected.front().contains(row.line)) << selected.front().toStdString();
        // No token to give: none is sent.
        EXPECT_TRUE(selected.front().endsWith(u"restore_token=-"))
            << selected.front().toStdString();
    }
}

TEST_F(ScreenCastSessionTest, PortalsBeforeVersionFourAreNotAskedToKeepTheGrant) {
    startPortal({"--version", "3"});
    ScreenCastSession session(*bus, offer(), {kScreenCastMonitor, true, "earlier-token"});
    EXPECT_EQ(waitForCalls("SelectSources", 1),
              QStringList{"SelectSources types=1 multiple=false cursor_mode=2 persist_mode=- "
                          "restore_token=-"});
    // Nothing new was issued: the token given stays the one to keep.
    EXPECT_EQ(session.restoreToken(), "earlier-token");
}

TEST_F(ScreenCastSessionTest, RefusalsAndAnswersOfTheWrongShapeCloseTheSessionWithAMessage) {
    const QString unreadable = QStringLiteral("The desktop portal’s answer to the screen "
                                              "recording request could not be read. Try again.");
    struct Row {
        QStringList options;
        QString message;
    } rows[] = {
        {{"--start-response", "1"},
         "Screen sharing was cancelled, so nothing was recorded. Start again and choose a screen "
         "to share."},
        {{"--start-response", "2"},
         "The desktop portal could not start sharing the screen. Check that xdg-desktop-portal "
         "and the backend for your desktop are running, then try again."},
        {{"--streams", "text"}, unreadable},
        {{"--streams", "list-of-numbers"}, unreadable},
        {{"--streams", "text-position"}, unreadable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options.join(u' ').toStdString());
        startPortal(row.options);
        const ScreenCastOffer offered = offer();
        EXPECT_EQ(test::thrownMessage([&] {
                      ScreenCastSession(*bus, offered, {kScreenCastMonitor, true, {}});
                  }),
                  row.message);
        EXPECT_EQ(waitForCalls("Close", 1).size(), 1);
        // The portal logs in order: a connection asked for would be logged before the close.
        EXPECT_TRUE(waitForCalls("OpenPipeWireRemote", 0).isEmpty());
    }
}

} // namespace
} // namespace lumbex
