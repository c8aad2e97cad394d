// lumbex_wayland_runner [WIDTH HEIGHT [WIDTH2 HEIGHT2]]: starts a private headless Wayland session
// (see wayland_session.h), with a second output to the right of the first when its size is
// given, prints what its clients need as NAME=VALUE lines, then "ready", and keeps it running
// until standard input closes. For benchmarks and trying things by hand.
#include "support/wayland_session.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QSize size =
        args.size() >= 2 ? QSize(args[0].toInt(), args[1].toInt()) : QSize(1280, 800);
    if (const QString reason = lumbex::test::WaylandSession::unavailableReason();
        !reason.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return 1;
    }
    lumbex::test::WaylandSession session(size);
    if (!session.missing().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(session.missing()));
        return 1;
    }
    // A second output to the right of the first.
    if (args.size() == 4) {
        try {
            session.addOutput(QSize(args[2].toInt(), args[3].toInt()), QPoint(size.width(), 0));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    const QProcessEnvironment env = session.environment();
    for (const char* name :
         {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "XDG_SESSION_TYPE",
          "XDG_CURRENT_DESKTOP", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        std::printf("%s=%s\n", name, qPrintable(env.value(QString::fromLatin1(name))));
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
