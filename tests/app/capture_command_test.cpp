#include "support/temporary_folder.h"
#include "command_line_fixture.h"
#include "model/image_files.h"
#include "model/note_package.h"
#include "support/same_pixels.h"
#include "support/shown_test_window.h"
#include "support/test_window.h"

#include <QColorSpace>
#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QColor rootColor(0x33, 0x66, 0x99);
const QRect windowFrame(100, 60, 200, 120);
const QColor windowColor(200, 40, 40);

class CaptureCommandTest : public test::CommandLineTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(
            display.run(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), rootColor.name()}));
        qputenv("DISPLAY", display.name().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("DISPLAY"); }

    QImage png(const QString& name) const { return ImageFiles::image(test::fileBytes(folder.path(name))); }

    // The screen as it should look: root colour with the test window, if shown.
    QImage expectedScreen(bool withWindow) const {
        QImage screen(640, 480, QImage::Format_RGB32);
        screen.fill(rootColor);
        if (withWindow)
            for (int y = 0; y < windowFrame.height(); ++y)
                for (int x = 0; x < windowFrame.width(); ++x)
                    screen.setPixel(windowFrame.topLeft() + QPoint(x, y),
                                    windowContent.pixel(x, y));
        return screen;
    }

    test::VirtualDisplay display;
    const QImage windowContent = test::testWindowContent(windowFrame.size(), windowColor);
};

TEST_F(CaptureCommandTest, AreasWindowsAndDisplaysAreCapturedAsDrawn) {
    const test::ShownTestWindow window(display, windowFrame, windowColor, QStringLiteral("Doc"));
    ASSERT_NE(window.id(), 0u);
    struct Row {
        QStringList args;
        QImage expected;
    } rows[] = {
        {{"--area", "90,50,40,30"}, expectedScreen(true).copy(90, 50, 40, 30)},
        {{"--window", QString::number(window.id())}, windowContent},
        {{"--display", "0"}, expectedScreen(true)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const test::Result r =
            lumbex(QStringList{"capture"} + row.args + QStringList{"-o", "out.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, folder.path("out.png") + u'\n');
        EXPECT_TRUE(test::samePixels(png("out.png"), row.expected));
        EXPECT_EQ(png("out.png").colorSpace(), QColorSpace(QColorSpace::SRgb));
    }
}

TEST_F(CaptureCommandTest, ANoteIsCreatedAsACaptureCreatesIt) {
    const test::Result r =
        lumbex({"capture", "--area", "10,20,64,48", "--note", "Shot.capturenote"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, folder.path("Shot.capturenote") + u'\n');
    const NotePackageContents contents = readNotePackage(folder.path("Shot.capturenote"));
    ASSERT_EQ(contents.note.media.size(), 1u);
    const Media& media = contents.note.media[0];
    EXPECT_TRUE(contents.note.title.startsWith(u"Capture ")) << contents.note.title.toStdString();
    EXPECT_EQ(QSize(media.width, media.height), QSize(64, 48));
    EXPECT_TRUE(test::samePixels(ImageFiles::image(contents.originals.at(media.id)),
                                 expectedScreen(false).copy(10, 20, 64, 48)));
}

TEST_F(CaptureCommandTest, ThePointerOnlyWithCursorAndTheScreenAsItIsAfterTheDelay) {
    ASSERT_TRUE(display.run(QStringLiteral("xdotool"), {"mousemove", "300", "200"}));
    const QStringList area{"capture", "--area", "280,180,40,40", "-o"};
    ASSERT_EQ(lumbex(area + QStringList{"plain.png"}).exitCode, 0);
    ASSERT_EQ(lumbex(area + QStringList{"pointer.png", "--cursor"}).exitCode, 0);
    EXPECT_TRUE(test::samePixels(png("plain.png"), expectedScreen(false).copy(280, 180, 40, 40)));
    const QImage pointer = png("pointer.png").convertToFormat(QImage::Format_RGB32);
    int changed = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            changed += pointer.pixel(x, y) != rootColor.rgb();
    EXPECT_GT(changed, 20) << "the pointer is drawn";

    // The screen changes while the command waits: the picture shows the change.
    QProcess late;
    late.setWorkingDirectory(folder.path());
    late.start(QStringLiteral(LUMBEX_BINARY),
               {"capture", "--area", "0,0,8,8", "--delay", "1.5", "-o", "late.png"});
    ASSERT_TRUE(late.waitForStarted());
    ASSERT_TRUE(display.run(QStringLiteral("xsetroot"), {"-solid", "#ffcc00"}));
    ASSERT_TRUE(late.waitForFinished(20000));
    ASSERT_EQ(late.exitCode(), 0) << late.readAllStandardError().toStdString();
    EXPECT_EQ(png("late.png").pixel(4, 4), qRgb(0xff, 0xcc, 0x00));
}

TEST_F(CaptureCommandTest, TheWindowShadowFollowsTheAppsSetting) {
    const test::ShownTestWindow window(display, windowFrame, windowColor, QStringLiteral("Doc"));
    ASSERT_NE(window.id(), 0u);
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Lumbex"),
                       QStringLiteral("Lumbex"));
    settings.setValue(QStringLiteral("captureWindowShadow"), true);
    settings.sync();
    const test::Result r =
        lumbex({"capture", "--window", QString::number(window.id()), "-o", "shadow.png"});
    settings.remove(QStringLiteral("captureWindowShadow"));
    settings.sync();
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage shadowed = png("shadow.png");
    EXPECT_GT(shadowed.width(), windowFrame.width());
    EXPECT_EQ(qAlpha(shadowed.pixel(0, 0)), 0);
}

TEST_F(CaptureCommandTest, ImpossibleCapturesSayWhyAndWriteNothing) {
    struct Row {
        QStringList args;
        QString message;
    } rows[] = {
        {{"--window", "4194303"},
         "No window with the id 4194303 (0x3fffff) is on the screen. Check the id with xdotool "
         "or xwininfo."},
        {{"--area", "600,400,100,100"},
         "The area 600,400,100,100 is not within the screens, which cover 0,0,640,480. Choose an "
         "area inside them."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const test::Result r =
            lumbex(QStringList{"capture"} + row.args + QStringList{"-o", "x.png"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, row.message + u'\n');
        EXPECT_EQ(r.out, QString());
        EXPECT_FALSE(QFileInfo::exists(folder.path("x.png")));
    }
}

TEST_F(CaptureCommandTest, WordsOutsideTheUsageAreUsageErrors) {
    const test::Result r =
        lumbex({"capture", "--display", "0", "--area", "0,0,10,10", "-o", "x.png"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(u"usage: lumbex capture (--area X,Y,W,H | --window ID"))
        << r.err.toStdString();
    EXPECT_TRUE(entries().isEmpty()) << entries().join(u' ').toStdString();
}

} // namespace
} // namespace lumbex
