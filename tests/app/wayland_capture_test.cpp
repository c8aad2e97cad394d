#include "model/image_files.h"
#include "support/same_pixels.h"
#include "support/temporary_folder.h"
#include "support/wayland_session.h"

#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

const QColor desktopColor(0x33, 0x66, 0x99); // the session's background
const QColor windowColor(200, 40, 40);

// Captures through the desktop portal of a private headless sway session, compared with what grim
// (the compositor's own screenshot tool) reads from the same output.
class WaylandCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::WaylandSession::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        session = std::make_unique<test::WaylandSession>(QSize(1280, 800));
        ASSERT_TRUE(session->missing().isEmpty()) << session->missing().toStdString();
    }

    // A window with known content, floating in the middle of the desktop; waits until it has
    // been painted.
    void showWindow() {
        QProcessEnvironment qt;
        qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        QProcess& window =
            session->startClient(QStringLiteral(LUMBEX_TEST_WINDOW),
                                 {"0", "0", "400", "300", windowColor.name(), "Doc"}, qt);
        ASSERT_TRUE(window.waitForReadyRead(20000)) << "the test window did not appear";
    }

    test::WaylandSession::Result lumbex(const QStringList& args) const {
        return session->run(QStringLiteral(LUMBEX_BINARY), args);
    }

    QImage picture(const QString& name) const {
        return ImageFiles::image(test::fileBytes(session->folder() + u'/' + name));
    }

    // The titles of the windows sway shows, with "(full screen)" after those that cover their
    // output.
    QStringList windowTitles() const {
        const QStringList sockets =
            QDir(session->folder()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (sockets.isEmpty())
            return {};
        const test::WaylandSession::Result tree =
            session->run(QStringLiteral("swaymsg"),
                         {"-s", session->folder() + u'/' + sockets.first(), "-t", "get_tree"});
        QStringList titles;
        const std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node.value(QStringLiteral("pid")).isDouble())
                titles << node.value(QStringLiteral("name")).toString() +
                              (node.value(QStringLiteral("fullscreen_mode")).toInt() > 0
                                   ? QStringLiteral(" (full screen)")
                                   : QString());
            for (const char* key : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(QLatin1String(key)).toArray())
                    walk(child.toObject());
        };
        walk(QJsonDocument::fromJson(tree.out).object());
        return titles;
    }

    bool waitForWindow(const QString& title, int timeoutMs = 20000) const {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (windowTitles().contains(title))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    std::unique_ptr<test::WaylandSession> session;
};

TEST_F(WaylandCaptureTest, DisplaysAndAreasEqualWhatGrimReads) {
    showWindow();
    const test::WaylandSession::Result grim = session->run(QStringLiteral("grim"), {"grim.png"});
    ASSERT_EQ(grim.exitCode, 0) << grim.err.toStdString();
    const QImage desktop = picture(QStringLiteral("grim.png"));
    ASSERT_EQ(desktop.size(), QSize(1280, 800));
    // The picture really shows the desktop and the window, so that equal pictures mean something.
    EXPECT_EQ(QColor(desktop.pixel(5, 795)), desktopColor);
    EXPECT_EQ(QColor(desktop.pixel(640, 420)), windowColor);

    struct Row {
        QStringList source;
        QRect expected;
    } rows[] = {
        {{"--display", "0"}, desktop.rect()},
        {{"--area", "400,200,480,400"}, QRect(400, 200, 480, 400)},
        {{"--area", "0,0,2,2"}, QRect(0, 0, 2, 2)},
        {{"--area", "1278,798,2,2"}, QRect(1278, 798, 2, 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.join(u' ').toStdString());
        const test::WaylandSession::Result r =
            lumbex(QStringList{"capture"} + row.source + QStringList{"-o", "lumbex.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, (session->folder() + QStringLiteral("/lumbex.png\n")).toUtf8());
        const QImage captured = picture(QStringLiteral("lumbex.png"));
        EXPECT_TRUE(test::samePixels(captured, desktop.copy(row.expected)));
        EXPECT_EQ(captured.colorSpace(), QColorSpace(QColorSpace::SRgb));
        // The portal's temporary file (the wlroots backend always writes /tmp/out.png) is
        // removed once read.
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/out.png")));
    }

    // The backend's fixed file belongs to another user (the session runs as "nobody" when the
    // test is root): grim cannot replace it, and the old picture must not pass for a new one.
    if (::geteuid() == 0 && !QFileInfo::exists(QStringLiteral("/tmp/out.png"))) {
        QFile stale(QStringLiteral("/tmp/out.png"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(test::fileBytes(session->folder() + QStringLiteral("/grim.png")));
        stale.close();
        const test::WaylandSession::Result r =
            lumbex({"capture", "--display", "0", "-o", "stale.png"});
        const bool kept = QFileInfo::exists(QStringLiteral("/tmp/out.png"));
        QFile::remove(QStringLiteral("/tmp/out.png"));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("must be able to write /tmp/out.png")) << r.err.toStdString();
        EXPECT_TRUE(kept) << "another user's file is left alone";
        EXPECT_FALSE(QFileInfo::exists(session->folder() + QStringLiteral("/stale.png")));
    }
}

// The desktop application on Wayland: "Capture and Explain" hides Lumbex's own windows, then the
// picker covers the output with the frozen picture of what was under them.
TEST_F(WaylandCaptureTest, ThePickerCoversTheOutputWithTheDesktopWithoutLumbex) {
    showWindow();
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"before.png"}).exitCode, 0);
    // Without XDG_SESSION_TYPE, as some sessions start applications: the windows are still
    // Wayland ones.
    QProcessEnvironment unnamed;
    unnamed.insert(QStringLiteral("XDG_SESSION_TYPE"), QString());
    session->startClient(QStringLiteral(LUMBEX_BINARY), {}, unnamed);
    ASSERT_TRUE(waitForWindow(QStringLiteral("Welcome to Lumbex")))
        << windowTitles().join(u", ").toStdString();
    session->startClient(QStringLiteral(LUMBEX_BINARY), {"--capture"}, unnamed);
    ASSERT_TRUE(waitForWindow(QStringLiteral("Choose Capture Area (full screen)")))
        << windowTitles().join(u", ").toStdString();
    EXPECT_FALSE(windowTitles().contains(QStringLiteral("Welcome to Lumbex")));

    // Everything but the hint in the top left corner is the desktop as it was, once the picker's
    // first frame is on screen (a busy machine may take a while to draw it).
    const QImage before = picture(QStringLiteral("before.png"));
    const QRect hint(0, 0, 400, 100);
    int differing = -1;
    QElapsedTimer waited;
    waited.start();
    while (differing != 0 && waited.elapsed() < 10000) {
        QThread::msleep(200);
        ASSERT_EQ(session->run(QStringLiteral("grim"), {"picker.png"}).exitCode, 0);
        const QImage picker = picture(QStringLiteral("picker.png"));
        ASSERT_EQ(picker.size(), before.size());
        differing = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                if (!hint.contains(x, y) && picker.pixel(x, y) != before.pixel(x, y))
                    ++differing;
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(WaylandCaptureTest, WhatWaylandCannotDoIsExplained) {
    struct Row {
        QStringList args;
        int exitCode;
        const char* message;
    } rows[] = {
        {{"capture", "--window", "0x3c00005", "-o", "w.png"},
         1,
         "Capturing a window needs an X11 session: window ids are an X11 notion"},
        {{"record", "--window", "0x3c00005", "--seconds", "1", "--folder", "rec"},
         1,
         "Capturing a window needs an X11 session: window ids are an X11 notion"},
        {{"capture", "--display", "1", "-o", "d.png"},
         1,
         "There is no display 1: the screen has 1"},
        {{"capture", "--area", "1200,700,100,200", "-o", "a.png"},
         1,
         "The area 1200,700,100,200 is not within the screens, which cover 0,0,1280,800."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const test::WaylandSession::Result r = lumbex(row.args);
        EXPECT_EQ(r.exitCode, row.exitCode);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(row.message)))
            << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(session->folder() + u'/' + row.args.last()));
    }
}

// The wlroots portal has no global shortcuts: the keys fall back to the desktop's own bindings.
TEST_F(WaylandCaptureTest, TheWlrootsPortalOffersNoGlobalShortcuts) {
    const test::WaylandSession::Result r = session->run(QStringLiteral(LUMBEX_SHORTCUTS_PROBE), {});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), "not offered") << r.err.toStdString();
}

} // namespace
} // namespace lumbex
