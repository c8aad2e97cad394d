#include "app/cli/command.h"
#include "app/desktop/desktop_app.h"
#include "app/screen_services.h"
#include "app/version.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QApplication>
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

// No arguments, "--fixture", "--capture", "--quick-capture", "--record-screen", or only existing
// files and packages: the desktop application.
bool opensWindows(const QStringList& args) {
    if (args.isEmpty() || args == QStringList{QStringLiteral("--fixture")} ||
        args == QStringList{QStringLiteral("--capture")} ||
        args == QStringList{QStringLiteral("--quick-capture")} ||
        args == QStringList{QStringLiteral("--record-screen")})
        return true;
    if (lumbex::cli::isCommand(args))
        return false;
    return std::all_of(args.begin(), args.end(), [](const QString& path) {
        return lumbex::entryKind(path) != lumbex::EntryKind::Missing;
    });
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(lumbex::decodeFileName(argv[i]));

    QCoreApplication::setOrganizationName(QStringLiteral("Lumbex"));
    QCoreApplication::setApplicationName(QStringLiteral("Lumbex"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(lumbex::lumbexVersion()));
    FILE* const messages = claimStandardError();
    if (opensWindows(args)) {
        // A Wayland session reads the screen through the portal; its windows are Wayland ones
        // too, not Xwayland ones that cannot cover the desktop (Qt 6.4 may choose X11 by itself:
        // it does on GNOME), unless QT_QPA_PLATFORM chooses.
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
            !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "wayland;xcb");
        // Qt would abort on its own with a message the redirected standard error swallows.
        if (const QString problem = lumbex::graphicalSessionProblem(); !problem.isEmpty()) {
            std::fprintf(messages, "%s\n", problem.toUtf8().constData());
            return 1;
        }
        QApplication app(argc, argv);
        return lumbex::runDesktop(args, messages);
    }
    // The command line renders and measures text offscreen; only the clipboard needs the display.
    // Qt aborts when its only platform cannot start, so the clipboard falls back to offscreen and
    // says so instead.
    const bool needsDisplay = lumbex::cli::needsDisplay(args);
    qputenv("QT_QPA_PLATFORM", needsDisplay ? "xcb;offscreen" : "offscreen");
    QGuiApplication app(argc, argv);
    if (needsDisplay && QGuiApplication::platformName() != u"xcb") {
        std::fputs("No X display is available. Start Lumbex in an X11 session to use the "
                   "clipboard.\n",
                   messages);
        return 1;
    }
    return lumbex::cli::runCommandLine(args, messages);
}
