// Another X client holding a global key: `lumbex_test_key_grabber KEYS` grabs the combination
// (written like "ctrl+alt+super+j") on DISPLAY, prints "grabbed", and keeps it until it is ended.
#include "platform/x11_hot_keys.h"
#include "shortcuts/capture_shortcut.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::optional<lumbex::CaptureShortcut> shortcut =
        lumbex::CaptureShortcut::fromKeysText(app.arguments().value(1));
    if (!shortcut || !shortcut->qtKey()) {
        std::fputs("usage: lumbex_test_key_grabber KEYS\n", stderr);
        return 2;
    }
    const auto keys = lumbex::connectX11HotKeys(qgetenv("DISPLAY"));
    if (keys->add(1, *shortcut->qtKey()) != 0) {
        std::fputs("the combination is taken\n", stderr);
        return 1;
    }
    std::puts("grabbed");
    std::fflush(stdout);
    return app.exec();
}
