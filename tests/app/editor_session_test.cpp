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

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

// A marker colour around the screenshot lets the test find it on the screen.
const QColor kFrame(255, 0, 255);
constexpr int kFrameWidth = 6;

QString output(const test::VirtualDisplay& display, const QString& program,
               const QStringList& args) {
    QProcess client;
    client.setProcessEnvironment(display.environment());
    client.start(program, args);
    processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, 15000);
    return QString::fromUtf8(client.readAllStandardOutput());
}

bool xdotool(const test::VirtualDisplay& display, const QStringList& args) {
    QProcess client;
    client.setProcessEnvironment(display.environment());
    client.start(QStringLiteral("xdotool"), args);
    processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, 15000);
    return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
}

void drag(const test::VirtualDisplay& display, QPoint from, QPoint to) {
    const auto at = [](QPoint p) {
        return QStringList{QString::number(p.x()), QString::number(p.y())};
    };
    xdotool(display, QStringList{QStringLiteral("mousemove")} + at(from));
    xdotool(display, {QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 4; ++step) {
        processEventsFor(40);
        xdotool(display,
                QStringList{QStringLiteral("mousemove")} + at(from + (to - from) * step / 4));
    }
    processEventsFor(40);
    xdotool(display, {QStringLiteral("mouseup"), QStringLiteral("1")});
    processEventsFor(200);
}

QString screenshot(const test::TemporaryFolder& folder) {
    QImage image(900, 560, QImage::Format_RGB32);
    image.fill(QColor(246, 247, 250));
    QPainter painter(&image);
    painter.fillRect(image.rect(), kFrame);
    painter.fillRect(image.rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth),
                     QColor(246, 247, 250));
    painter.fillRect(QRect(80, 80, 320, 180), QColor(220, 226, 236));
    painter.fillRect(QRect(480, 300, 200, 48), QColor(30, 140, 90));
    painter.end();
    const QString path = folder.path(QStringLiteral("Settings page.png"));
    image.save(path);
    return path;
}

// The screenshot's rectangle on the screen, found by its frame colour.
QRect findOnScreen(const test::VirtualDisplay& display, const test::TemporaryFolder& folder) {
    const QString grab = folder.path(QStringLiteral("screen.png"));
    output(display, QStringLiteral(LUMBEX_BINARY),
           {QStringLiteral("capture"), QStringLiteral("--display"), QStringLiteral("0"),
            QStringLiteral("-o"), grab});
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
    const QString project = folder.path(QStringLiteral("project"));
    QDir().mkpath(project);

    QProcess app;
    app.setProcessEnvironment(display.environment());
    app.start(QStringLiteral(LUMBEX_BINARY), {screenshot(folder)});
    ASSERT_TRUE(xdotool(display, {QStringLiteral("search"), QStringLiteral("--sync"),
                                  QStringLiteral("--name"), QStringLiteral("Settings page")}));
    processEventsFor(1500);
    const QRect image = findOnScreen(display, folder);
    ASSERT_GT(image.width(), 300) << "the screenshot is not on the screen";
    const double scale = image.width() / 900.0;
    const auto at = [&](int x, int y) {
        return image.topLeft() + QPoint(qRound(x * scale), qRound(y * scale));
    };

    xdotool(display,
            QStringList{QStringLiteral("mousemove")} +
                QStringList{QString::number(at(450, 450).x()), QString::number(at(450, 450).y())});
    xdotool(display, {QStringLiteral("click"), QStringLiteral("1")});
    xdotool(display, {QStringLiteral("key"), QStringLiteral("a")});
    drag(display, at(700, 150), at(560, 290));
    xdotool(display, {QStringLiteral("key"), QStringLiteral("r")});
    drag(display, at(70, 70), at(410, 270));
    xdotool(display, {QStringLiteral("key"), QStringLiteral("n")});
    processEventsFor(500);
    const QString note = QStringLiteral("Make the save button wider.");
    xdotool(display,
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), note});
    processEventsFor(1500);

    xdotool(display, {QStringLiteral("key"), QStringLiteral("ctrl+Return")});
    ASSERT_TRUE(
        xdotool(display, {QStringLiteral("search"), QStringLiteral("--sync"),
                          QStringLiteral("--name"), QStringLiteral("Choose the project folder")}));
    processEventsFor(500);
    xdotool(display,
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), project});
    xdotool(display, {QStringLiteral("key"), QStringLiteral("Return")});

    QString clipboard;
    processEventsUntil(
        [&] {
            clipboard = output(
                display, QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
            return clipboard.startsWith(QStringLiteral("Read this Lumbex request"));
        },
        20000);
    ASSERT_TRUE(clipboard.startsWith(QStringLiteral("Read this Lumbex request")))
        << clipboard.toStdString();
    const QStringList lines = clipboard.split(u'\n');
    const QString request = lines.value(lines.indexOf(QStringLiteral("Request:")) + 1);
    EXPECT_TRUE(request.startsWith(project + QStringLiteral("/.lumbex/handoffs/")));
    QFile markdown(request);
    ASSERT_TRUE(markdown.open(QIODevice::ReadOnly)) << request.toStdString();
    const QString document = QString::fromUtf8(markdown.readAll());
    EXPECT_TRUE(document.contains(QStringLiteral("## A-1\n\n") + note)) << document.toStdString();

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

    xdotool(display, {QStringLiteral("key"), QStringLiteral("ctrl+q")});
    processEventsUntil([&] { return app.state() == QProcess::NotRunning; }, 10000);
    if (app.state() != QProcess::NotRunning)
        app.kill();
    app.waitForFinished(3000);
}

} // namespace
} // namespace lumbex
