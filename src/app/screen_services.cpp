#include "app/screen_services.h"

#include "core/error.h"
#include "platform/unavailable_screen_grabber.h"
#include "platform/x11_connection.h"
#include "platform/x11_screen_grabber.h"

#include <QProcessEnvironment>

namespace lumbex {

std::unique_ptr<ScreenGrabber> openScreenGrabber() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty() || environment.value(QStringLiteral("LUMBEX_SCREEN")) == u"unavailable")
        return std::make_unique<UnavailableScreenGrabber>(
            UnavailableScreenGrabber::reasonFor(environment));
    try {
        return connectX11ScreenGrabber(display.toLocal8Bit());
    } catch (const LumbexError& e) {
        return std::make_unique<UnavailableScreenGrabber>(e.message());
    }
}

QString graphicalSessionProblem() {
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
