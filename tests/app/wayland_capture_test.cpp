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
#include <QStandardPaths>
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

    // A window with known content, floating in the middle of the focused output; waits until it
    // has been painted.
    void showWindow(QColor color = windowColor, const QString& title = QStringLiteral("Doc")) {
        QProcessEnvironment qt;
        qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        QProcess& window = session->startClient(QStringLiteral(LUMBEX_TEST_WINDOW),
                                                {"0", "0", "400", "300", color.name(), title}, qt);
        ASSERT_TRUE(window.waitForReadyRead(20000)) << "the test window did not appear";
    }

    test::WaylandSession::Result lumbex(const QStringList& args) const {
        return session->run(QStringLiteral(LUMBEX_BINARY), args);
    }

    QImage picture(const QString& name) const {
        return ImageFiles::image(test::fileBytes(session->folder() + u'/' + name));
    }

    // The titles of the windows sway shows, with "(full screen)" after those that cover their
    // output, and with where they are on the desktop when `withPlace` is set.
    QStringList windowTitles(bool withPlace = false) const {
        const test::WaylandSession::Result tree = session->swaymsg({"-t", "get_tree"});
        QStringList titles;
        const std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
            const QString place = QStringLiteral(" at %1,%2,%3,%4")
                                      .arg(rect.value(QStringLiteral("x")).toInt())
                                      .arg(rect.value(QStringLiteral("y")).toInt())
                                      .arg(rect.value(QStringLiteral("width")).toInt())
                                      .arg(rect.value(QStringLiteral("height")).toInt());
            if (node.value(QStringLiteral("pid")).isDouble())
                titles << node.value(QStringLiteral("name")).toString() +
                              (node.value(QStringLiteral("fullscreen_mode")).toInt() > 0
                                   ? QStringLiteral(" (full screen)")
                                   : QString()) +
                              (withPlace ? place : QString());
            for (const char* key : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(QLatin1String(key)).toArray())
                    walk(child.toObject());
        };
        walk(QJsonDocument::fromJson(tree.out).object());
        return titles;
    }

    // How many pixels outside `hint` differ from `before` once the picker's first frame is on
    // screen (a busy machine may take a while to draw it).
    int pixelsChangedOutside(const QImage& before, const QRect& hint) const {
        int differing = -1;
        QElapsedTimer waited;
        waited.start();
        while (differing != 0 && waited.elapsed() < 10000) {
            QThread::msleep(200);
            if (session->run(QStringLiteral("grim"), {"picker.png"}).exitCode != 0)
                return -1;
            const QImage picker = picture(QStringLiteral("picker.png"));
            if (picker.size() != before.size())
                return -1;
            differing = 0;
            for (int y = 0; y < before.height(); ++y)
                for (int x = 0; x < before.width(); ++x)
                    if (!hint.contains(x, y) && picker.pixel(x, y) != before.pixel(x, y))
                        ++differing;
        }
        return differing;
    }

    // Starts the desktop application, then its capture picker.
    void openPicker() {
        // Without XDG_SESSION_TYPE, as some sessions start applications: the windows are still
        // Wayland ones.
        QProcessEnvironment unnamed;
        unnamed.insert(QStringLiteral("XDG_SESSION_TYPE"), QString());
        session->startClient(QStringLiteral(LUMBEX_BINARY), {}, unnamed);
        ASSERT_TRUE(waitForWindow(QStringLiteral("Welcome to Lumbex")))
            << windowTitles().join(u", ").toStdString();
        askForCapture();
    }

    // Asks the running application for its capture picker.
    void askForCapture() {
        QProcessEnvironment unnamed;
        unnamed.insert(QStringLiteral("XDG_SESSION_TYPE"), QString());
        session->startClient(QStringLiteral(LUMBEX_BINARY), {"--capture"}, unnamed);
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
    ASSERT_EQ(session->portalScreenshots(), 0);
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

    // Every picture came straight from the compositor: the portal was never asked.
    EXPECT_EQ(session->portalScreenshots(), 0);
}

// The grabber asks the portal when it has no output copier, and when its copies fail; both give
// what grim reads. The copies themselves never ask the portal.
TEST_F(WaylandCaptureTest, WithoutCopiesOfTheOutputsThePortalGivesWhatGrimReads) {
    showWindow();
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"grim.png"}).exitCode, 0);
    const QImage desktop = picture(QStringLiteral("grim.png"));
    ASSERT_EQ(desktop.size(), QSize(1280, 800));
    ASSERT_EQ(QColor(desktop.pixel(640, 420)), windowColor);

    struct Row {
        const char* grabber;
        QStringList source;
        QRect expected;
        bool asksPortal;
    } rows[] = {
        {"portal", {"display", "0"}, desktop.rect(), true},
        {"portal", {"area", "400,200,480,400"}, QRect(400, 200, 480, 400), true},
        {"failing-copy", {"display", "0"}, desktop.rect(), true},
        {"failing-copy", {"area", "1278,798,2,2"}, QRect(1278, 798, 2, 2), true},
        {"copy", {"display", "0"}, desktop.rect(), false},
        {"copy", {"area", "400,200,480,400"}, QRect(400, 200, 480, 400), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.grabber + (u' ' + row.source.join(u' ')).toStdString());
        const int asked = session->portalScreenshots();
        const test::WaylandSession::Result r = session->run(
            QStringLiteral(LUMBEX_GRAB_PROBE),
            QStringList{QString::fromLatin1(row.grabber)} + row.source + QStringList{"probe.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out,
                  QStringLiteral("%1,%2\n").arg(row.expected.x()).arg(row.expected.y()).toUtf8());
        EXPECT_TRUE(
            test::samePixels(picture(QStringLiteral("probe.png")), desktop.copy(row.expected)));
        EXPECT_EQ(session->portalScreenshots(), asked + (row.asksPortal ? 1 : 0));
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/out.png")));
    }

    // The backend's fixed file belongs to another user (the session runs as "nobody" when the
    // test is root): grim cannot replace it, and the old picture must not pass for a new one.
    if (::geteuid() == 0 && !QFileInfo::exists(QStringLiteral("/tmp/out.png"))) {
        QFile stale(QStringLiteral("/tmp/out.png"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(test::fileBytes(session->folder() + QStringLiteral("/grim.png")));
        stale.close();
        struct Stale {
            const char* grabber;
            int exitCode;
        } grabbers[] = {{"portal", 1}, {"failing-copy", 1}, {"copy", 0}};
        for (const Stale& grabber : grabbers) {
            SCOPED_TRACE(grabber.grabber);
            QFile::remove(session->folder() + QStringLiteral("/stale.png"));
            const test::WaylandSession::Result r =
                session->run(QStringLiteral(LUMBEX_GRAB_PROBE),
                             {QString::fromLatin1(grabber.grabber), "display", "0", "stale.png"});
            EXPECT_EQ(r.exitCode, grabber.exitCode);
            EXPECT_EQ(r.err.contains("must be able to write /tmp/out.png"), grabber.exitCode == 1)
                << r.err.toStdString();
            EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/tmp/out.png")))
                << "another user's file is left alone";
            EXPECT_EQ(QFileInfo::exists(session->folder() + QStringLiteral("/stale.png")),
                      grabber.exitCode == 0);
        }
        QFile::remove(QStringLiteral("/tmp/out.png"));
    }
}

// An output turned or flipped by its transform: the copy is turned as the desktop shows it, as
// grim reads it.
TEST_F(WaylandCaptureTest, TurnedAndFlippedOutputsAreCapturedAsGrimReadsThem) {
    showWindow();
    // In the top left corner, so that every turn and mirror image looks different.
    ASSERT_EQ(session->swaymsg({"[title=\"Doc\"] move position 10 20"}).exitCode, 0);
    for (const char* transform :
         {"90", "180", "270", "flipped", "flipped-90", "flipped-180", "flipped-270", "normal"}) {
        SCOPED_TRACE(transform);
        ASSERT_EQ(
            session->swaymsg({QStringLiteral("output HEADLESS-1 transform ") + transform}).exitCode,
            0);
        const QSize size =
            QByteArray(transform).endsWith("90") || QByteArray(transform).endsWith("270")
                ? QSize(800, 1280)
                : QSize(1280, 800);
        QImage desktop;
        QElapsedTimer waited;
        waited.start();
        do {
            QThread::msleep(100);
            ASSERT_EQ(session->run(QStringLiteral("grim"), {"grim.png"}).exitCode, 0);
            desktop = picture(QStringLiteral("grim.png"));
        } while (desktop.size() != size && waited.elapsed() < 10000);
        ASSERT_EQ(desktop.size(), size);
        for (const QStringList& source :
             {QStringList{"--display", "0"}, QStringList{"--area", "5,10,300,200"}}) {
            const test::WaylandSession::Result r =
                lumbex(QStringList{"capture"} + source + QStringList{"-o", "lumbex.png"});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_TRUE(test::samePixels(
                picture(QStringLiteral("lumbex.png")),
                source.first() == u"--display" ? desktop : desktop.copy(5, 10, 300, 200)));
        }
    }
    EXPECT_EQ(session->portalScreenshots(), 0);
}

// The desktop application on Wayland: "Capture and Explain" hides Lumbex's own windows, then the
// picker covers the output with the frozen picture of what was under them.
TEST_F(WaylandCaptureTest, ThePickerCoversTheOutputWithTheDesktopWithoutLumbex) {
    showWindow();
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"before.png"}).exitCode, 0);
    openPicker();
    ASSERT_TRUE(waitForWindow(QStringLiteral("Choose Capture Area (full screen)")))
        << windowTitles().join(u", ").toStdString();
    EXPECT_FALSE(windowTitles().contains(QStringLiteral("Welcome to Lumbex")));

    // Everything but the hint in the top left corner is the desktop as it was.
    EXPECT_EQ(pixelsChangedOutside(picture(QStringLiteral("before.png")), QRect(0, 0, 400, 100)),
              0);
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

// The same desktop over two outputs of different sizes side by side: HEADLESS-1 (1280 × 800) at
// the origin and HEADLESS-2 (800 × 600) to its right, so that the area below HEADLESS-2 is on no
// output. Each output shows a window of its own colour in its middle.
class WaylandTwoOutputsTest : public WaylandCaptureTest {
protected:
    void SetUp() override {
        WaylandCaptureTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        try {
            ASSERT_EQ(session->addOutput(QSize(800, 600), QPoint(1280, 0)), "HEADLESS-2");
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        for (const auto& [output, color] :
             {std::pair{"HEADLESS-1", windowColor}, std::pair{"HEADLESS-2", secondColor}}) {
            ASSERT_EQ(session->swaymsg({QStringLiteral("focus output ") + output}).exitCode, 0);
            showWindow(color, QString::fromLatin1(output));
        }
    }

    // HEADLESS-2 at scale 2: 400 × 300 in the layout.
    void scaleSecondOutput() const {
        ASSERT_EQ(session->swaymsg({"output HEADLESS-2 scale 2"}).exitCode, 0);
        QElapsedTimer waited;
        waited.start();
        while (!session->swaymsg({"-t", "get_outputs"}).out.contains("\"width\": 400") &&
               waited.elapsed() < 10000)
            QThread::msleep(50);
    }

    // Waits until sway shows the picker's overlays at these places.
    QStringList waitForOverlays(const QStringList& places) const {
        QElapsedTimer waited;
        waited.start();
        QStringList shown;
        do {
            QThread::msleep(100);
            shown = windowTitles(true).filter(QStringLiteral("Choose Capture Area"));
        } while (shown.size() != places.size() && waited.elapsed() < 20000);
        for (const QString& place : places)
            EXPECT_TRUE(
                shown.contains(QStringLiteral("Choose Capture Area (full screen) at ") + place))
                << place.toStdString() << " in " << shown.join(u", ").toStdString();
        return shown;
    }

    // Types on a virtual keyboard; the first keys wait until the toolkit has taken it.
    void typeKeys(const QStringList& keys) const {
        const test::WaylandSession::Result r =
            session->run(QStringLiteral("wtype"), QStringList{"-s", "800"} + keys);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    // The pictures of the notes in the library, once there is one.
    QStringList notePictures() const {
        const QString notes = session->environment().value(QStringLiteral("XDG_DATA_HOME")) +
                              QStringLiteral("/Lumbex/Notes/");
        QStringList pictures;
        QElapsedTimer waited;
        waited.start();
        while (pictures.isEmpty() && waited.elapsed() < 20000) {
            QThread::msleep(200);
            for (const QString& note :
                 QDir(notes).entryList({QStringLiteral("*.capturenote")}, QDir::Dirs))
                for (const QString& png : QDir(notes + note + QStringLiteral("/assets"))
                                              .entryList({QStringLiteral("*.png")}, QDir::Files))
                    pictures << notes + note + QStringLiteral("/assets/") + png;
        }
        return pictures;
    }

    const QColor secondColor{40, 160, 60};
};

TEST_F(WaylandTwoOutputsTest, EachOutputIsADisplayEqualToWhatGrimReadsOfIt) {
    struct Row {
        QStringList grim;
        QStringList source;
        QSize size;
        QPoint probe;    // a pixel of the reference that shows
        QColor expected; // this colour
    } rows[] = {
        {{"-o", "HEADLESS-1"}, {"--display", "0"}, {1280, 800}, {640, 400}, windowColor},
        {{"-o", "HEADLESS-2"}, {"--display", "1"}, {800, 600}, {400, 300}, secondColor},
        // Across the outputs' shared edge: the desktop of the first, the window on the second.
        {{"-g", "1000,100 600x400"},
         {"--area", "1000,100,600,400"},
         {600, 400},
         {500, 200},
         secondColor},
        {{"-g", "1000,100 600x400"},
         {"--area", "1000,100,600,400"},
         {600, 400},
         {100, 100},
         desktopColor},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.join(u' ').toStdString());
        const test::WaylandSession::Result grim =
            session->run(QStringLiteral("grim"), row.grim + QStringList{"grim.png"});
        ASSERT_EQ(grim.exitCode, 0) << grim.err.toStdString();
        const QImage reference = picture(QStringLiteral("grim.png"));
        ASSERT_EQ(reference.size(), row.size);
        EXPECT_EQ(QColor(reference.pixel(row.probe)), row.expected);

        const test::WaylandSession::Result r =
            lumbex(QStringList{"capture"} + row.source + QStringList{"-o", "lumbex.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(test::samePixels(picture(QStringLiteral("lumbex.png")), reference));
    }
    // Both outputs are at the picture's scale: every grab is a copy.
    EXPECT_EQ(session->portalScreenshots(), 0);
}

// With the second output at scale 2, the portal's picture is drawn at scale 2 throughout: the
// second display is its output's own pixels, the first one is enlarged twice, and areas are in
// the picture's pixels.
TEST_F(WaylandTwoOutputsTest, AScaledOutputSetsThePicturesScale) {
    scaleSecondOutput();

    // Only the scale-2 output is copied; the enlarged one, and areas across both, are the
    // portal's.
    struct Row {
        QStringList grim;
        QStringList source;
        QSize size;
        bool asksPortal;
    } rows[] = {
        {{"-o", "HEADLESS-2"}, {"--display", "1"}, {800, 600}, false},
        {{"-g", "1200,100 200x200"}, {"--area", "2400,200,400,400"}, {400, 400}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.join(u' ').toStdString());
        const int asked = session->portalScreenshots();
        ASSERT_EQ(session->run(QStringLiteral("grim"), row.grim + QStringList{"grim.png"}).exitCode,
                  0);
        const QImage reference = picture(QStringLiteral("grim.png"));
        ASSERT_EQ(reference.size(), row.size);
        const test::WaylandSession::Result r =
            lumbex(QStringList{"capture"} + row.source + QStringList{"-o", "lumbex.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(test::samePixels(picture(QStringLiteral("lumbex.png")), reference));
        EXPECT_EQ(session->portalScreenshots(), asked + (row.asksPortal ? 1 : 0));
    }

    const int asked = session->portalScreenshots();
    const test::WaylandSession::Result r = lumbex({"capture", "--display", "0", "-o", "first.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage first = picture(QStringLiteral("first.png"));
    EXPECT_EQ(first.size(), QSize(2560, 1600));
    EXPECT_EQ(QColor(first.pixel(1280, 800)), windowColor);
    EXPECT_EQ(QColor(first.pixel(20, 1580)), desktopColor);
    EXPECT_EQ(session->portalScreenshots(), asked + 1);
}

// Each overlay fits its output's logical size and shows its part of the picture scaled to it: the
// first output's window in its middle, the second output's desktop in its top left corner.
TEST_F(WaylandTwoOutputsTest, ThePickerFitsEachOutputAtItsOwnScale) {
    scaleSecondOutput();
    openPicker();
    EXPECT_EQ(waitForOverlays({"0,0,1280,800", "1280,0,400,300"}).size(), 2);
    QThread::msleep(500);
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"picker.png"}).exitCode, 0);
    const QImage shown = picture(QStringLiteral("picker.png"));
    ASSERT_EQ(shown.size(), QSize(3360, 1600));
    EXPECT_EQ(QColor(shown.pixel(1280, 800)), windowColor);
    EXPECT_EQ(QColor(shown.pixel(40, 1560)), desktopColor);
    EXPECT_EQ(QColor(shown.pixel(2600, 40)), desktopColor);
}

// The whole way through the compositor: keys typed on a virtual keyboard place the picker's
// default area on the first output and move it across the shared edge, Return captures, and the
// new note's picture is what grim reads of that area.
TEST_F(WaylandTwoOutputsTest, AKeyboardSelectionAcrossTheOutputsIsCapturedAsGrimReadsIt) {
    if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
        GTEST_SKIP() << "wtype is not installed (package wtype): run scripts/install-deps";
    // The default area is 400 × 240 in the middle of the output under the pointer, which is at
    // the desktop's origin while no pointer exists; each Shift+→ moves it 10 pixels right.
    const int moves = 70;
    const QRect expected(440 + moves * 10, 280, 400, 240);
    ASSERT_EQ(session
                  ->run(QStringLiteral("grim"), {"-g",
                                                 QStringLiteral("%1,%2 %3x%4")
                                                     .arg(expected.x())
                                                     .arg(expected.y())
                                                     .arg(expected.width())
                                                     .arg(expected.height()),
                                                 "area.png"})
                  .exitCode,
              0);
    const QImage area = picture(QStringLiteral("area.png"));
    // The area shows both outputs: the desktop on the first, the window on the second.
    ASSERT_EQ(QColor(area.pixel(10, 10)), desktopColor);
    ASSERT_EQ(QColor(area.pixel(390, 100)), secondColor);

    openPicker();
    ASSERT_EQ(waitForOverlays({"0,0,1280,800", "1280,0,800,600"}).size(), 2);
    QStringList keys = {"-M", "shift"};
    for (int i = 0; i < moves; ++i)
        keys << "-k"
             << "Right";
    keys << "-m"
         << "shift"
         << "-s"
         << "200"
         << "-k"
         << "Return";
    typeKeys(keys);

    const QStringList pictures = notePictures();
    ASSERT_EQ(pictures.size(), 1) << windowTitles().join(u", ").toStdString();
    EXPECT_TRUE(test::samePixels(ImageFiles::image(test::fileBytes(pictures.first())), area));
}

// A running application notices an output's new scale: the next picker is laid out anew, and its
// area is cut from a picture of the new layout.
TEST_F(WaylandTwoOutputsTest, APickerAfterAnOutputChangedUsesTheNewLayout) {
    if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
        GTEST_SKIP() << "wtype is not installed (package wtype): run scripts/install-deps";
    openPicker();
    ASSERT_EQ(waitForOverlays({"0,0,1280,800", "1280,0,800,600"}).size(), 2);
    typeKeys({"-k", "Escape"});
    QElapsedTimer waited;
    waited.start();
    while (!windowTitles().filter(QStringLiteral("Choose Capture Area")).isEmpty() &&
           waited.elapsed() < 10000)
        QThread::msleep(100);
    ASSERT_TRUE(windowTitles().filter(QStringLiteral("Choose Capture Area")).isEmpty());

    scaleSecondOutput();
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"before.png"}).exitCode, 0);
    const QImage before = picture(QStringLiteral("before.png"));
    ASSERT_EQ(before.size(), QSize(3360, 1600));
    askForCapture();
    ASSERT_EQ(waitForOverlays({"0,0,1280,800", "1280,0,400,300"}).size(), 2);
    // Tab places the default area, 400 × 240 in the middle of the first output's 2560 × 1600
    // pixels of the picture, without moving it.
    typeKeys({"-k", "Tab", "-s", "200", "-k", "Return"});

    const QStringList pictures = notePictures();
    ASSERT_EQ(pictures.size(), 1) << windowTitles().join(u", ").toStdString();
    EXPECT_TRUE(test::samePixels(ImageFiles::image(test::fileBytes(pictures.first())),
                                 before.copy(1080, 680, 400, 240)));
}

TEST_F(WaylandTwoOutputsTest, DisplaysAndAreasBeyondTheOutputsAreRefused) {
    struct Row {
        QStringList source;
        const char* message;
    } rows[] = {
        {{"--display", "2"}, "There is no display 2: the screen has 2 (numbered from 0"},
        // Below the smaller output, inside the layout's bounding box but on no output.
        {{"--area", "1400,650,100,100"}, "The saved area is outside the connected displays."},
        {{"--area", "2000,500,100,100"}, "is not within the screens, which cover 0,0,2080,800."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.join(u' ').toStdString());
        const test::WaylandSession::Result r =
            lumbex(QStringList{"capture"} + row.source + QStringList{"-o", "refused.png"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(row.message)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(session->folder() + QStringLiteral("/refused.png")));
    }
}

// One overlay per output, each full screen on its own output and showing its part of the frozen
// desktop.
TEST_F(WaylandTwoOutputsTest, ThePickerCoversEachOutputWithItsPartOfTheDesktop) {
    ASSERT_EQ(session->run(QStringLiteral("grim"), {"before.png"}).exitCode, 0);
    const QImage before = picture(QStringLiteral("before.png"));
    ASSERT_EQ(before.size(), QSize(2080, 800));
    ASSERT_EQ(QColor(before.pixel(640, 400)), windowColor);
    ASSERT_EQ(QColor(before.pixel(1680, 300)), secondColor);
    openPicker();
    EXPECT_EQ(waitForOverlays({"0,0,1280,800", "1280,0,800,600"}).size(), 2);
    EXPECT_EQ(pixelsChangedOutside(before, QRect(0, 0, 400, 100)), 0);
}

// The wlroots portal has no global shortcuts: the keys fall back to the desktop's own bindings.
TEST_F(WaylandCaptureTest, TheWlrootsPortalOffersNoGlobalShortcuts) {
    const test::WaylandSession::Result r = session->run(QStringLiteral(LUMBEX_SHORTCUTS_PROBE), {});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), "not offered") << r.err.toStdString();
}

} // namespace
} // namespace lumbex
