#include "command_line_fixture.h"
#include "support/virtual_display.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

QString clipboardOn(const QString& display) {
    QProcess xclip;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    xclip.setProcessEnvironment(env);
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip.waitForFinished(5000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

class ClipboardCopyTest : public test::CommandLineTest {
protected:
    test::VirtualDisplay display;
};

TEST_F(ClipboardCopyTest, HandoffTextStaysOnTheClipboardAfterTheCommandEnds) {
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    ASSERT_EQ(lumbex({"note", "set", "A.capturenote", "--general", "Fix it."}).exitCode, 0);
    QDir().mkpath(folder.path("project"));

    qputenv("DISPLAY", display.name().toLocal8Bit());
    const test::Result copied =
        lumbex({"handoff", "A.capturenote", "--project", folder.path("project"), "--copy"});
    ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(clipboardOn(display.name()), copied.out);

    qunsetenv("DISPLAY");
    const test::Result noDisplay =
        lumbex({"handoff", "A.capturenote", "--project", folder.path("project"), "--copy"});
    EXPECT_EQ(noDisplay.exitCode, 1);
    EXPECT_EQ(noDisplay.err,
              "Couldn’t copy the request. The prepared files are still available.\n");
}

} // namespace
} // namespace lumbex
