#pragma once

#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QProcess>
#include <QSettings>
#include <optional>

namespace lumbex::test {

// The real application on a private X server with a window manager, in a profile of its own
// (home, settings and data in a temporary folder, the welcome tour already seen), and the X
// clients a test drives it with.
class DesktopSession {
public:
    explicit DesktopSession(QSize screen = {1280, 800}) : display_(screen), manager_(display_) {
        environment_ = display_.environment();
        environment_.insert("HOME", folder_.path("home"));
        environment_.insert("XDG_CONFIG_HOME", folder_.path("config"));
        environment_.insert("XDG_DATA_HOME", folder_.path("data"));
        QSettings settings(folder_.path("config/Lumbex/Lumbex.ini"), QSettings::IniFormat);
        settings.setValue("hasSeenGettingStarted", true);
        settings.sync();
    }
    ~DesktopSession() { stopApp(); }

    // Why the session cannot run, or nothing.
    std::optional<QString> missing() const {
        if (display_.name().isEmpty())
            return QStringLiteral("Xvfb did not start");
        if (!manager_.ready())
            return QStringLiteral("openbox did not start");
        return std::nullopt;
    }

    QProcessEnvironment& environment() { return environment_; }
    const TemporaryFolder& folder() const { return folder_; }

    // Starts the application and waits for its control window.
    bool startApp(const QString& binary) {
        app_.setProcessEnvironment(environment_);
        app_.start(binary, {});
        const bool shown = run("xdotool", {"search", "--sync", "--name", "^Lumbex$"}).has_value();
        processEventsFor(500);
        return shown;
    }
    void stopApp() {
        if (app_.state() == QProcess::NotRunning)
            return;
        app_.terminate();
        if (!app_.waitForFinished(5000))
            app_.kill();
        app_.waitForFinished(3000);
    }
    // As a crash would end it.
    void killApp() {
        app_.kill();
        app_.waitForFinished(5000);
    }

    // Runs a client in the session while the event loop keeps going; its output, or nothing if
    // it failed or outlived `ms`.
    std::optional<QString> run(const QString& program, const QStringList& args, int ms = 15000) {
        QProcess client;
        client.setProcessEnvironment(environment_);
        client.start(program, args);
        processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, ms);
        if (client.state() != QProcess::NotRunning || client.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(client.readAllStandardOutput());
    }
    std::optional<QString> visibleWindow(const QString& title) {
        return run("xdotool", {"search", "--onlyvisible", "--name", title}, 3000);
    }
    bool waitForWindow(const QString& title, bool shown = true, int ms = 15000) {
        return processEventsUntil([&] { return visibleWindow(title).has_value() == shown; }, ms);
    }

private:
    VirtualDisplay display_;
    WindowManager manager_;
    TemporaryFolder folder_;
    QProcessEnvironment environment_;
    QProcess app_;
};

} // namespace lumbex::test
