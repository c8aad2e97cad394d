#pragma once

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace lumbex::test {

// A private headless Wayland desktop for tests: its own D-Bus session bus, sway on the headless
// backend with one output of the given size, PipeWire and WirePlumber, and the desktop portal
// with its wlroots backend, all with a runtime folder of their own. Nothing is shared with the
// machine's desktop, so tests may run in parallel with each other and with a real session.
//
// sway refuses to run as root, so when the test runs as root the whole session, and every client
// started through `run`, runs as the unprivileged user "nobody" (the session bus only admits its
// own user). The processes are stopped by their ids, newest first, when the session ends.
class WaylandSession {
public:
    // Why no session can run on this machine (a program is not installed), or empty.
    static QString unavailableReason();

    // `size` is the output's mode in pixels; a `scale` above 1 makes its logical size smaller.
    explicit WaylandSession(QSize size = QSize(1280, 800), int scale = 1);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // Why the session did not come up (which step failed, with that program's own words), or
    // empty once the portal answers on the bus.
    const QString& missing() const { return missing_; }

    // What a client of this session needs: WAYLAND_DISPLAY, the session bus, XDG_RUNTIME_DIR,
    // XDG_SESSION_TYPE=wayland and XDG_CURRENT_DESKTOP=sway; no DISPLAY, so nothing falls back
    // to an X server.
    QProcessEnvironment environment() const;
    // A folder inside the session's runtime folder that its user can write in.
    QString folder() const { return dir_.path(); }

    struct Result {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    // Runs a client as the session's user in `folder()` and waits for it (a crash or a timeout
    // gives exit code -1).
    Result run(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& extra = {}, int timeoutMs = 30000) const;

    // Runs swaymsg against this session's compositor.
    Result swaymsg(const QStringList& arguments) const;

    // Adds a headless output of `size` with its top left corner at `position` in the desktop's
    // layout, the first output staying at the origin, and waits until sway reports both. Returns
    // the new output's name ("HEADLESS-2"), or throws std::runtime_error with sway's words.
    QString addOutput(QSize size, QPoint position);

    // Starts a client (a window to look at) as the session's user and leaves it running until
    // the session ends; its standard output stays readable.
    QProcess& startClient(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& extra = {});

    // How many screenshots the desktop portal has been asked for so far (its log says).
    int portalScreenshots() const;

    // Ends one of the session's own programs (as started: "sway", the portal's full path…), as
    // if it had crashed; false when the session has no such program running.
    bool stopProgram(const QString& program);

private:
    QString start(QSize size, int scale);
    QProcess& launch(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment);
    // The command that runs a program as the session's user.
    QStringList asSessionUser(const QString& program, const QStringList& arguments) const;
    bool portalAnswers() const;
    // Where a session program's output goes (logs/<program>.log in the session folder).
    QString logOf(const QString& program) const;

    QTemporaryDir dir_;
    QProcessEnvironment environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QString missing_;
};

} // namespace lumbex::test
