#include "command_line_fixture.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

// An X server of the test's own, so that copying meets a real clipboard without a desktop.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (int n = 90 + getpid() % 50; n < 200 && name_.isEmpty(); ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            server_.start(QStringLiteral("Xvfb"),
                          {QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("640x480x24")});
            const QDeadlineTimer deadline(5000);
            while (!deadline.hasExpired() &&
                   !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                QThread::msleep(20);
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                name_ = QStringLiteral(":%1").arg(n);
        }
    }
    ~VirtualDisplay() {
        server_.terminate();
        server_.waitForFinished(3000);
    }
    const QString& name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};

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
    VirtualDisplay display;
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
