#include "app/cli/command.h"

#include <QGuiApplication>

namespace {

// Scripts read stderr for the system's own message only: Qt's diagnostics (for example about
// XDG_RUNTIME_DIR on a headless machine) are kept out of it unless asked for.
void quietMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("LUMBEX_DEBUG"))
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    // The command line never needs a display: it renders and measures text offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessageHandler);
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lumbex"));
    QGuiApplication::setApplicationName(QStringLiteral("Lumbex"));
    if (args.isEmpty())
        return lumbex::cli::runCommandLine({QStringLiteral("help")});
    return lumbex::cli::runCommandLine(args);
}
