#include "app/cli/command.h"

#include <QGuiApplication>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Image codecs print their own diagnostics straight to standard error ("libpng error: ...").
// Scripts read stderr for the system's message only, so the command line keeps the real stream for
// itself and points descriptor 2 at /dev/null. LUMBEX_DEBUG=1 keeps everything.
FILE* claimStandardError() {
    if (qEnvironmentVariableIsSet("LUMBEX_DEBUG"))
        return stderr;
    const int saved = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    FILE* messages = saved >= 0 ? ::fdopen(saved, "w") : nullptr;
    if (!messages || null < 0 || ::dup2(null, STDERR_FILENO) < 0)
        return stderr;
    ::close(null);
    ::setvbuf(messages, nullptr, _IOLBF, 0);
    return messages;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    // The command line renders and measures text offscreen; only the clipboard needs the display.
    qputenv("QT_QPA_PLATFORM", lumbex::cli::needsDisplay(args) ? "xcb" : "offscreen");
    FILE* const messages = claimStandardError();
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lumbex"));
    QGuiApplication::setApplicationName(QStringLiteral("Lumbex"));
    if (args.isEmpty())
        return lumbex::cli::runCommandLine({QStringLiteral("help")}, messages);
    return lumbex::cli::runCommandLine(args, messages);
}
