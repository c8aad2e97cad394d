#include "app/desktop/hot_key_services.h"

#include "core/error.h"
#include "platform/portal_hot_keys.h"
#include "platform/x11_hot_keys.h"
#include "shortcuts/capture_shortcuts.h"

#include <QGuiApplication>
#include <QProcessEnvironment>

namespace lumbex {

std::unique_ptr<HotKeys> openHotKeys() {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    // Under Wayland, X11 key grabs (through Xwayland) see only X11 windows' keys: the desktop
    // portal binds them when it offers global shortcuts (sway's does not).
    if (QGuiApplication::platformName() == u"wayland") {
        if (auto portal = openPortalHotKeys(
                QDBusConnection::sessionBus(),
                {{CaptureShortcuts::kExplainId,
                  {QStringLiteral("capture-explain"), QStringLiteral("Capture and Explain")}},
                 {CaptureShortcuts::kQuickId,
                  {QStringLiteral("quick-capture"), QStringLiteral("Quick Capture")}}}))
            return portal;
        return unavailableHotKeys(QStringLiteral(
            "Wayland doesn’t let Lumbex register global shortcuts on this desktop. In your "
            "desktop’s keyboard settings (in sway, a `bindsym` line in its config), bind keys to "
            "`lumbex --capture` and `lumbex --quick-capture` instead."));
    }
    // Windows drawn offscreen (tests) have no desktop whose keys they could take.
    if (display.isEmpty() || QGuiApplication::platformName() != u"xcb" ||
        environment.value(QStringLiteral("LUMBEX_HOT_KEYS")) == u"unavailable")
        return unavailableHotKeys(QStringLiteral(
            "This desktop doesn’t let Lumbex register global shortcuts. In your desktop’s "
            "keyboard settings, bind keys to `lumbex --capture` and `lumbex --quick-capture` "
            "instead."));
    try {
        return connectX11HotKeys(display.toLocal8Bit());
    } catch (const LumbexError& e) {
        return unavailableHotKeys(e.message());
    }
}

} // namespace lumbex
