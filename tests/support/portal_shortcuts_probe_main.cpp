// Says whether the desktop portal on the session bus offers global shortcuts: "offered",
// "not offered", or "no portal" when nothing owns the portal's name (so that a probe that
// reached no portal is never taken for a portal without shortcuts). Run inside a test's Wayland
// session, as that session's user.

#include "platform/portal_hot_keys.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::puts("no portal");
        return 0;
    }
    std::puts(lumbex::openPortalHotKeys(bus) ? "offered" : "not offered");
    return 0;
}
