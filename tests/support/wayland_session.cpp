#include "support/wayland_session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <map>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex::test {
namespace {

const char kPortal[] = "/usr/libexec/xdg-desktop-portal";
const char kWlrPortal[] = "/usr/libexec/xdg-desktop-portal-wlr";
const char kGtkPortal[] = "/usr/libexec/xdg-desktop-portal-gtk";

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// The end of a program's log: what it said last before failing.
QString logTail(const QString& log) {
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no log)");
    return QString::fromLocal8Bit(file.readAll().right(600)).trimmed();
}

// Waits for `done`, giving up early when `process` ends.
template <typename Check> bool waitFor(Check done, const QProcess& process, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return done();
}

} // namespace

QString WaylandSession::unavailableReason() {
    struct Need {
        const char* program;
        const char* package;
    };
    const Need needs[] = {
        {"dbus-daemon", "dbus"},
        {"dbus-update-activation-environment", "dbus-bin"},
        {"dbus-send", "dbus-bin"},
        {"sway", "sway"},
        {"grim", "grim"},
        {"pipewire", "pipewire"},
        {"wireplumber", "wireplumber"},
        {"setpriv", "util-linux"},
        {kWlrPortal, "xdg-desktop-portal-wlr"},
        {kPortal, "xdg-desktop-portal"},
        // Without the GTK backend the portal finds nothing for its Access interface and so
        // exports no Screenshot interface at all.
        {kGtkPortal, "xdg-desktop-portal-gtk"},
    };
    for (const Need& need : needs) {
        const QString program = QString::fromLatin1(need.program);
        const bool found = program.startsWith(u'/')
                               ? QFileInfo(program).isExecutable()
                               : !QStandardPaths::findExecutable(program).isEmpty();
        if (!found)
            return QStringLiteral("%1 is not installed (package %2): no Wayland session for this "
                                  "test. Run scripts/install-deps.")
                .arg(program, QString::fromLatin1(need.package));
    }
    if (runningAsRoot() && !::getpwnam("nobody"))
        return QStringLiteral("sway refuses to run as root, and there is no user “nobody” to run "
                              "the Wayland session as.");
    return {};
}

WaylandSession::WaylandSession(QSize size, int scale) {
    missing_ = unavailableReason();
    if (missing_.isEmpty() && !dir_.isValid())
        missing_ = QStringLiteral("No temporary folder for the Wayland session: %1")
                       .arg(dir_.errorString());
    if (missing_.isEmpty())
        missing_ = start(size, scale);
}

WaylandSession::~WaylandSession() {
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        QProcess& process = **it;
        if (process.state() == QProcess::NotRunning)
            continue;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
}

QStringList WaylandSession::asSessionUser(const QString& program,
                                          const QStringList& arguments) const {
    if (!runningAsRoot())
        return QStringList{program} + arguments;
    // setpriv replaces itself with the program, so the id QProcess holds is the program's own.
    return QStringList{QStringLiteral("setpriv"),
                       QStringLiteral("--reuid=nobody"),
                       QStringLiteral("--regid=nogroup"),
                       QStringLiteral("--clear-groups"),
                       QStringLiteral("--"),
                       program} +
           arguments;
}

QProcess& WaylandSession::launch(const QString& program, const QStringList& arguments,
                                 const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    // Logs go to files: a full pipe nobody reads would stop the program mid-sentence. Only the
    // bus keeps its standard output, which carries its address.
    process->setStandardErrorFile(logOf(program));
    if (program != u"dbus-daemon")
        process->setStandardOutputFile(logOf(program), QIODevice::Append);
    process->setWorkingDirectory(dir_.path());
    const QStringList command = asSessionUser(program, arguments);
    process->start(command.first(), command.mid(1));
    process->waitForStarted(5000);
    processes_.push_back(std::move(process));
    return *processes_.back();
}

QString WaylandSession::start(QSize size, int scale) {
    const QString dir = dir_.path();
    if (runningAsRoot()) {
        const passwd* nobody = ::getpwnam("nobody");
        if (::chown(QFile::encodeName(dir).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            return QStringLiteral("Could not hand the session folder to “nobody”.");
    }
    // The runtime folder must be private to its user, or clients refuse it.
    ::chmod(QFile::encodeName(dir).constData(), 0700);
    QDir(dir).mkdir(QStringLiteral("logs"));

    QFile config(dir + QStringLiteral("/sway.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return QStringLiteral("Could not write the sway configuration.");
    config.write(
        QStringLiteral("output HEADLESS-1 resolution %1x%2 scale %3\n"
                       "output * bg #336699 solid_color\n"
                       "xwayland disable\n"
                       // Windows float at their own size, so the desktop shows around them.
                       "for_window [title=\".*\"] floating enable\n")
            .arg(size.width())
            .arg(size.height())
            .arg(scale)
            .toUtf8());
    config.close();

    // Screen sharing picks the one output without asking: the backend's default chooser runs
    // slurp, wofi or bemenu, none of which a headless session has.
    QDir(dir).mkpath(QStringLiteral("config/xdg-desktop-portal-wlr"));
    QFile sharing(dir + QStringLiteral("/config/xdg-desktop-portal-wlr/config"));
    if (!sharing.open(QIODevice::WriteOnly))
        return QStringLiteral("Could not write the screen sharing configuration.");
    sharing.write("[screencast]\noutput_name=HEADLESS-1\nchooser_type=none\n");
    sharing.close();
    if (runningAsRoot()) {
        // The session's programs write their own settings under the same folder.
        const passwd* nobody = ::getpwnam("nobody");
        for (const char* made :
             {"config", "config/xdg-desktop-portal-wlr", "config/xdg-desktop-portal-wlr/config"})
            if (::chown(QFile::encodeName(dir + u'/' + QLatin1String(made)).constData(),
                        nobody->pw_uid, nobody->pw_gid) != 0)
                return QStringLiteral("Could not hand the screen sharing configuration to "
                                      "“nobody”.");
    }

    QProcessEnvironment base;
    base.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    base.insert(QStringLiteral("HOME"), dir);
    base.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    base.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    base.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    base.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/cache"));
    base.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    // The portal picks its backends by this name (the wlr backend's "UseIn=sway").
    base.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("sway"));
    // The portal's GTK backend would otherwise start an accessibility bus of its own first and
    // may keep the portal waiting for it.
    base.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    base.insert(QStringLiteral("GTK_A11Y"), QStringLiteral("none"));

    QProcess& bus = launch(QStringLiteral("dbus-daemon"),
                           {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                            QStringLiteral("--address=unix:path=") + dir + QStringLiteral("/bus")},
                           base);
    if (!bus.waitForReadyRead(10000))
        return QStringLiteral("The private D-Bus session bus did not start: ") +
               logTail(logOf(QStringLiteral("dbus-daemon")));
    const QString address = QString::fromLocal8Bit(bus.readLine()).trimmed();
    base.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);

    QProcessEnvironment compositor = base;
    compositor.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    compositor.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    // No GPU on a test machine: render in software.
    compositor.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    QProcess& sway = launch(QStringLiteral("sway"),
                            {QStringLiteral("-c"), dir + QStringLiteral("/sway.conf")}, compositor);
    // wlroots numbers its socket itself (wayland-1 when nothing else runs in the folder).
    QString socket;
    const auto socketFound = [&] {
        const QStringList names =
            QDir(dir).entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
        for (const QString& name : names)
            if (!name.endsWith(u".lock"))
                socket = name;
        return !socket.isEmpty();
    };
    if (!waitFor(socketFound, sway, 10000))
        return QStringLiteral("sway did not start on the headless backend: ") +
               logTail(logOf(QStringLiteral("sway")));
    base.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    environment_ = base;

    // Services the bus starts on demand (the portal's backends) get the bus's own environment,
    // which knows nothing of the compositor until it is told.
    if (run(QStringLiteral("dbus-update-activation-environment"),
            {QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("XDG_CURRENT_DESKTOP"),
             QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("XDG_SESSION_TYPE"),
             QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("GTK_A11Y")})
            .exitCode != 0)
        return QStringLiteral("dbus-update-activation-environment failed.");

    QProcess& pipewire = launch(QStringLiteral("pipewire"), {}, base);
    // The portal's backend connects to PipeWire once, when it starts; without the server's socket
    // it gives up screen sharing for good.
    if (!waitFor([&] { return QFileInfo::exists(dir + QStringLiteral("/pipewire-0")); }, pipewire,
                 10000))
        return QStringLiteral("PipeWire did not start: ") +
               logTail(logOf(QStringLiteral("pipewire")));
    launch(QStringLiteral("wireplumber"), {}, base);
    QProcessEnvironment backend = base;
#ifdef LUMBEX_SCREENCOPY_SHIM
    backend.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LUMBEX_SCREENCOPY_SHIM));
#endif
    launch(QString::fromLatin1(kWlrPortal), {}, backend);
    // Verbose: its log says which backend it waits for when it is slow to appear.
    QProcess& portal = launch(QString::fromLatin1(kPortal), {QStringLiteral("--verbose")}, base);
    if (!waitFor([this] { return portalAnswers(); }, portal, 30000))
        return QStringLiteral("xdg-desktop-portal did not appear on the session bus: ") +
               logTail(logOf(QString::fromLatin1(kPortal)));
    return {};
}

QProcess& WaylandSession::startClient(const QString& program, const QStringList& arguments,
                                      const QProcessEnvironment& extra) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = environment();
    env.insert(extra);
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(dir_.path());
    process->setStandardErrorFile(logOf(program));
    const QStringList command = asSessionUser(program, arguments);
    process->start(command.first(), command.mid(1));
    process->waitForStarted(5000);
    processes_.push_back(std::move(process));
    return *processes_.back();
}

bool WaylandSession::stopProgram(const QString& program) {
    for (const std::unique_ptr<QProcess>& process : processes_) {
        const QStringList command = QStringList{process->program()} + process->arguments();
        if (process->state() == QProcess::NotRunning || !command.contains(program))
            continue;
        process->kill();
        return process->waitForFinished(5000);
    }
    return false;
}

int WaylandSession::portalScreenshots() const {
    QFile log(logOf(QString::fromLatin1(kPortal)));
    if (!log.open(QIODevice::ReadOnly))
        return -1;
    return int(log.readAll().count("Handle Screenshot"));
}

QString WaylandSession::logOf(const QString& program) const {
    return dir_.path() + QStringLiteral("/logs/") + QFileInfo(program).fileName() +
           QStringLiteral(".log");
}

bool WaylandSession::portalAnswers() const {
    const Result r =
        run(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
             QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
             QStringLiteral("string:org.freedesktop.portal.Desktop")},
            {}, 5000);
    return r.exitCode == 0 && r.out.contains("boolean true");
}

QProcessEnvironment WaylandSession::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "WAYLAND_SOCKET"})
        env.remove(QString::fromLatin1(name));
    env.insert(environment_);
    return env;
}

WaylandSession::Result WaylandSession::run(const QString& program, const QStringList& arguments,
                                           const QProcessEnvironment& extra, int timeoutMs) const {
    QProcess process;
    QProcessEnvironment env = environment();
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_.path());
    const QStringList command = asSessionUser(program, arguments);
    process.start(command.first(), command.mid(1));
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        result.err = "timed out";
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

WaylandSession::Result WaylandSession::swaymsg(const QStringList& arguments) const {
    const QStringList sockets =
        QDir(dir_.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    if (sockets.isEmpty())
        return {-1, {}, "sway has no IPC socket"};
    return run(QStringLiteral("swaymsg"),
               QStringList{QStringLiteral("-s"), dir_.path() + u'/' + sockets.first()} + arguments);
}

QString WaylandSession::addOutput(QSize size, QPoint position) {
    const auto outputs = [this] {
        std::map<QString, QRect> rects;
        const Result r =
            swaymsg({QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_outputs")});
        for (const QJsonValue& value : QJsonDocument::fromJson(r.out).array()) {
            const QJsonObject output = value.toObject();
            const QJsonObject rect = output.value(QStringLiteral("rect")).toObject();
            rects[output.value(QStringLiteral("name")).toString()] = QRect(
                rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                rect.value(QStringLiteral("width")).toInt(),
                rect.value(QStringLiteral("height")).toInt());
        }
        return rects;
    };
    const std::map<QString, QRect> before = outputs();
    const Result created = swaymsg({QStringLiteral("create_output")});
    if (created.exitCode != 0)
        throw std::runtime_error("swaymsg create_output: " + created.err.toStdString());
    QString name;
    for (const auto& [candidate, rect] : outputs())
        if (!before.count(candidate))
            name = candidate;
    if (name.isEmpty())
        throw std::runtime_error("sway created no new output");
    // sway places outputs without a position of their own beside the others, and moves them
    // when one is added: pin the first one at the origin.
    const QString first = before.empty() ? QStringLiteral("HEADLESS-1") : before.begin()->first;
    for (const QString& command : {QStringLiteral("output %1 position 0 0").arg(first),
                                   QStringLiteral("output %1 resolution %2x%3 position %4 %5")
                                       .arg(name)
                                       .arg(size.width())
                                       .arg(size.height())
                                       .arg(position.x())
                                       .arg(position.y())}) {
        const Result r = swaymsg({command});
        if (r.exitCode != 0)
            throw std::runtime_error(command.toStdString() + ": " + r.err.toStdString());
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const std::map<QString, QRect> now = outputs();
        if (now.count(name) && now.at(name) == QRect(position, size) && now.count(first) &&
            now.at(first).topLeft() == QPoint(0, 0))
            return name;
        QThread::msleep(50);
    }
    throw std::runtime_error("sway did not place " + name.toStdString() + " as asked");
}

} // namespace lumbex::test
