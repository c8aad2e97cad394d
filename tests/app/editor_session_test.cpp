// A first session as a person would have it, on a private X server with a window manager: open a
// screenshot, draw an arrow and a rectangle, add a location note and type it, Copy for Agent,
// choose the project folder, then read the clipboard and the files it names. Everything goes
// through the real binary, the keyboard and the mouse (xdotool).
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <gtest/gtest.h>
#include <optional>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

// A marker colour around the screenshot lets the test find it on the screen.
const QColor kFrame(255, 0, 255);
constexpr int kFrameWidth = 6;

// Runs an X client while the event loop keeps going; its output, or nothing if it failed.
std::optional<QString> run(const test::VirtualDisplay& display, const QString& program,
                           const QStringList& args) {
    QProcess client;
    client.setProcessEnvironment(display.environment());
    client.start(program, args);
    processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, 15000);
    if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(client.readAllStandardOutput());
}

bool xdotool(const test::VirtualDisplay& display, const QStringList& args) {
    return run(display, "xdotool", args).has_value();
}

QStringList point(QPoint p) {
    return {QString::number(p.x()), QString::number(p.y())};
}

void drag(const test::VirtualDisplay& display, QPoint from, QPoint to) {
    xdotool(display, QStringList{"mousemove"} + point(from) + QStringList{"mousedown", "1"});
    for (int step = 1; step <= 4; ++step) {
        processEventsFor(40);
        xdotool(display, QStringList{"mousemove"} + point(from + (to - from) * step / 4));
    }
    processEventsFor(40);
    xdotool(display, {"mouseup", "1"});
    processEventsFor(200);
}

QString screenshot(const test::TemporaryFolder& folder) {
    QImage image(900, 560, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), kFrame);
    painter.fillRect(image.rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth),
                     QColor(246, 247, 250));
    painter.fillRect(QRect(80, 80, 320, 180), QColor(220, 226, 236));
    painter.fillRect(QRect(480, 300, 200, 48), QColor(30, 140, 90));
    painter.end();
    const QString path = folder.path("Settings page.png");
    image.save(path);
    return path;
}

// The screenshot's rectangle on the screen, found by its frame colour.
QRect findOnScreen(const test::VirtualDisplay& display, const test::TemporaryFolder& folder) {
    const QString grab = folder.path("screen.png");
    run(display, LUMBEX_BINARY, {"capture", "--display", "0", "-o", grab});
    const QImage screen(grab);
    QRect found;
    for (int y = 0; y < screen.height(); y += 2)
        for (int x = 0; x < screen.width(); x += 2)
            if (QColor(screen.pixel(x, y)) == kFrame)
                found |= QRect(x, y, 1, 1);
    return found;
}

TEST(EditorSession, DrawNoteAndCopyForAgentWithTheKeyboardAndMouse) {
    const test::VirtualDisplay display(QSize(1600, 1000));
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
    const test::WindowManager manager(display);
    ASSERT_TRUE(manager.ready()) << "openbox did not start";
    test::TemporaryFolder folder;
    const QString project = folder.path("project");
    QDir().mkpath(project);

    QProcess app;
    app.setProcessEnvironment(display.environment());
    app.start(LUMBEX_BINARY, {screenshot(folder)});
    ASSERT_TRUE(xdotool(display, {"search", "--sync", "--name", "Settings page"}));
    processEventsFor(1500);
    const QRect image = findOnScreen(display, folder);
    ASSERT_GT(image.width(), 300) << "the screenshot is not on the screen";
    const double scale = image.width() / 900.0;
    const auto at = [&](int x, int y) {
        return image.topLeft() + QPoint(qRound(x * scale), qRound(y * scale));
    };

    xdotool(display, QStringList{"mousemove"} + point(at(450, 450)) + QStringList{"click", "1"});
    xdotool(display, {"key", "a"});
    drag(display, at(700, 150), at(560, 290));
    xdotool(display, {"key", "r"});
    drag(display, at(70, 70), at(410, 270));
    xdotool(display, {"key", "n"});
    processEventsFor(500);
    const QString note = "Make the save button wider.";
    xdotool(display, {"type", "--delay", "15", note});
    processEventsFor(1500);

    xdotool(display, {"key", "ctrl+Return"});
    ASSERT_TRUE(xdotool(display, {"search", "--sync", "--name", "Choose the project folder"}));
    processEventsFor(500);
    xdotool(display, {"type", "--delay", "10", project});
    xdotool(display, {"key", "Return"});

    QString clipboard;
    processEventsUntil(
        [&] {
            clipboard =
                run(display, "xclip", {"-o", "-selection", "clipboard"}).value_or(QString());
            return clipboard.startsWith("Read this Lumbex request");
        },
        20000);
    ASSERT_TRUE(clipboard.startsWith("Read this Lumbex request")) << clipboard.toStdString();
    const QStringList lines = clipboard.split(u'\n');
    const QString request = lines.value(lines.indexOf(QStringLiteral("Request:")) + 1);
    EXPECT_TRUE(request.startsWith(project + "/.lumbex/handoffs/"));
    QFile markdown(request);
    ASSERT_TRUE(markdown.open(QIODevice::ReadOnly)) << request.toStdString();
    const QString document = QString::fromUtf8(markdown.readAll());
    EXPECT_TRUE(document.contains("## A-1\n\n" + note)) << document.toStdString();

    const QImage annotated(lines.last());
    ASSERT_FALSE(annotated.isNull()) << lines.last().toStdString();
    // The rectangle's blue stroke crosses the light panel; the screenshot had no blue at all.
    int blue = 0;
    for (int y = 0; y < annotated.height(); ++y)
        for (int x = 0; x < annotated.width(); ++x) {
            const QColor c(annotated.pixel(x, y));
            blue += c.blue() > 200 && c.red() < 60 && c.green() < 140;
        }
    EXPECT_GT(blue, 1000) << "the arrow and rectangle are missing from the written image";

    xdotool(display, {"key", "ctrl+q"});
    processEventsUntil([&] { return app.state() == QProcess::NotRunning; }, 10000);
    if (app.state() != QProcess::NotRunning)
        app.kill();
    app.waitForFinished(3000);
}

} // namespace
} // namespace lumbex
