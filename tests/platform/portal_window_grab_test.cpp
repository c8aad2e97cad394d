#include "platform/portal_screen_grabber.h"
#include "platform/portal_window_grab.h"
#include "support/chosen_window_rig.h"
#include "support/test_images.h"

#include <QDBusConnection>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::quarters;

// The fake portal on a private bus, answering a window choice with a node of a private PipeWire
// server that keeps sending its picture while it is linked.
class PortalWindowGrabTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::ChosenWindowRig::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        rig = std::make_unique<test::ChosenWindowRig>(
            QStringLiteral(LUMBEX_FAKE_SCREEN_CAST_PORTAL), quarters(QSize(64, 48)));
        ASSERT_TRUE(rig->problem().isEmpty()) << rig->problem().toStdString();
        portal = &rig->portal();
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(portal->address(), QStringLiteral("window-grab-bus")));
        ASSERT_TRUE(bus->isConnected());
    }

    void TearDown() override {
        bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("window-grab-bus"));
    }

    void startPortal(const QStringList& extra = {}) { ASSERT_TRUE(rig->startPortal("3", extra)); }

    ScreenCastOffer offer() {
        const std::optional<ScreenCastOffer> offered = screenCastOffer(*bus);
        EXPECT_TRUE(offered.has_value());
        return offered.value_or(ScreenCastOffer{});
    }

    std::unique_ptr<test::ChosenWindowRig> rig;
    test::ScreenCastPortalBus* portal = nullptr;
    std::unique_ptr<QDBusConnection> bus;
};

TEST_F(PortalWindowGrabTest, TheChosenWindowsPictureIsTheCapture) {
    startPortal();
    const ScreenCastOffer offered = offer();
    EXPECT_EQ(offered.sourceTypes, kScreenCastMonitor | kScreenCastWindow);
    const ScreenGrab grab = grabPortalWindow(*bus, offered);
    ASSERT_EQ(grab.image.size(), rig->picture().size());
    EXPECT_EQ(grab.image.format(), QImage::Format_RGB32);
    for (const QPoint at : {QPoint(5, 5), QPoint(60, 5), QPoint(5, 40), QPoint(60, 40)})
        EXPECT_EQ(QColor(grab.image.pixel(at)), QColor(rig->picture().pixel(at)))
            << at.x() << "," << at.y();
    // No place on the desktop was told.
    EXPECT_EQ(grab.origin, QPoint(0, 0));
    // One window, asked every time, without the pointer; the session closes after the picture.
    EXPECT_EQ(portal->waitForCalls("SelectSources", 1),
              QStringList{"SelectSources types=2 multiple=false cursor_mode=1 persist_mode=- "
                          "restore_token=-"});
    EXPECT_EQ(portal->waitForCalls("Close", 1).size(), 1);
}

TEST_F(PortalWindowGrabTest, ACancelledChoiceIsACancellationAndReadsNothing) {
    startPortal({"--start-response", "1"});
    try {
        grabPortalWindow(*bus, offer());
        ADD_FAILURE() << "nothing was thrown";
    } catch (const LumbexError& error) {
        EXPECT_TRUE(isCancelledChoice(error));
        EXPECT_EQ(error.message(), "The window capture was cancelled. Nothing was captured.");
    }
    EXPECT_EQ(portal->waitForCalls("Close", 1).size(), 1);
    EXPECT_TRUE(portal->waitForCalls("OpenPipeWireRemote", 0).isEmpty());
}

TEST_F(PortalWindowGrabTest, AFailedChoiceStaysAPlainFailure) {
    startPortal({"--start-response", "2"});
    try {
        grabPortalWindow(*bus, offer());
        ADD_FAILURE() << "nothing was thrown";
    } catch (const LumbexError& error) {
        EXPECT_FALSE(isCancelledChoice(error));
    }
}

TEST_F(PortalWindowGrabTest, TheGrabberOffersTheChoiceWhenThePortalSharesWindows) {
    // The grabber reads the session bus: this test's own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", portal->address().toLocal8Bit());
    const auto chooser = [](const ScreenCastOffer& offer) {
        return grabPortalWindow(QDBusConnection::sessionBus(), offer);
    };
    struct Row {
        QString sourceTypes;
        bool withChooser;
        bool choosesWindow;
    } rows[] = {
        {"3", true, true},
        {"3", false, false},
        {"1", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sourceTypes.toStdString() + (row.withChooser ? " chooser" : ""));
        startPortal({"--source-types", row.sourceTypes});
        const std::unique_ptr<ScreenGrabber> grabber = openPortalScreenGrabber(
            row.withChooser ? PortalWindowChooser(chooser) : PortalWindowChooser());
        const ScreenCapabilities can = grabber->capabilities();
        EXPECT_EQ(can.testFlag(ScreenCapability::ChooseWindow), row.choosesWindow);
        EXPECT_TRUE(can.testFlag(ScreenCapability::RecordScreen));
        EXPECT_FALSE(can.testFlag(ScreenCapability::ReadWindows));
        if (row.choosesWindow) {
            EXPECT_EQ(grabber->grabChosenWindow().image.size(), rig->picture().size());
        } else {
            try {
                grabber->grabChosenWindow();
                ADD_FAILURE() << "nothing was thrown";
            } catch (const LumbexError& error) {
                EXPECT_EQ(error.message(), windowCaptureNeedsX11());
            }
        }
    }
}

} // namespace
} // namespace lumbex
