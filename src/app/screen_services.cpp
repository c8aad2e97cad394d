#include "app/screen_services.h"

#include "core/error.h"
#include "platform/portal_screen_grabber.h"
#include "platform/portal_screenshot.h"
#include "platform/portal_window_grab.h"
#include "platform/unavailable_screen_grabber.h"
#include "platform/x11_connection.h"
#include "platform/x11_screen_grabber.h"

#include <QFileInfo>
#include <QProcessEnvironment>

namespace lumbex {

std::unique_ptr<ScreenGrabber> openScreenGrabber() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    switch (screenSessionFor(environment)) {
    case ScreenSession::Portal:
        return openPortalScreenGrabber([](const ScreenCastOffer& offer) {
            return grabPortalWindow(QDBusConnection::sessionBus(), offer);
        });
    case ScreenSession::X11:
        try {
            return connectX11ScreenGrabber(
                environment.value(QStringLiteral("DISPLAY")).toLocal8Bit());
        } catch (const LumbexError& e) {
            return std::make_unique<UnavailableScreenGrabber>(e.message());
        }
    case ScreenSession::Unavailable:
        break;
    }
    return std::make_unique<UnavailableScreenGrabber>(
        UnavailableScreenGrabber::reasonFor(environment));
}

QString graphicalSessionProblem() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (!wayland.isEmpty()) {
        // Qt's Wayland plugin connects to this socket; a stale name would make it abort.
        const QString socket =
            wayland.startsWith(u'/')
                ? wayland
                : environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + u'/' + wayland;
        if (QFileInfo(socket).exists())
            return {};
        return QStringLiteral("Lumbex cannot reach the Wayland display “%1”. Run it from your "
                              "desktop, or use `lumbex --help` for the command-line tool.")
            .arg(wayland);
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("Lumbex needs a graphical session: no X display is set (DISPLAY). "
                              "Run it from your desktop, or use `lumbex --help` for the "
                              "command-line tool.");
    try {
        const x11::Connection connection(display);
    } catch (const LumbexError& e) {
        return e.message();
    }
    return {};
}

} // namespace lumbex
