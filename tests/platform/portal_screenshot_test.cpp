#include "core/error.h"
#include "platform/portal_screenshot.h"
#include "support/qt_printers.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

namespace lumbex {
namespace {

QProcessEnvironment environmentOf(const QStringList& variables) {
    QProcessEnvironment environment;
    for (const QString& variable : variables)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    return environment;
}

TEST(ScreenSession, X11OnlyOutsideWaylandThePortalInsideIt) {
    struct Row {
        QStringList variables;
        ScreenSession expected;
    } rows[] = {
        {{}, ScreenSession::Unavailable},
        {{"DISPLAY=:0"}, ScreenSession::X11},
        {{"DISPLAY=:0", "XDG_SESSION_TYPE=x11"}, ScreenSession::X11},
        {{"DISPLAY="}, ScreenSession::Unavailable},
        // Xwayland's DISPLAY shows only X clients: the portal sees the whole desktop.
        {{"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0"}, ScreenSession::Portal},
        {{"DISPLAY=:0", "XDG_SESSION_TYPE=wayland"}, ScreenSession::Portal},
        {{"WAYLAND_DISPLAY=wayland-1"}, ScreenSession::Portal},
        {{"XDG_SESSION_TYPE=wayland"}, ScreenSession::Portal},
        {{"XDG_SESSION_TYPE=tty"}, ScreenSession::Unavailable},
        {{"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "LUMBEX_SCREEN=unavailable"},
         ScreenSession::Unavailable},
        {{"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "LUMBEX_SCREEN=x11"}, ScreenSession::X11},
        {{"DISPLAY=:0", "LUMBEX_SCREEN=portal"}, ScreenSession::Portal},
        {{"DISPLAY=:0", "LUMBEX_SCREEN=anything"}, ScreenSession::X11},
    };
    for (const Row& row : rows)
        EXPECT_EQ(screenSessionFor(environmentOf(row.variables)), row.expected)
            << row.variables.join(u' ').toStdString();
}

TEST(PortalRequest, ThePathIsTheSendersNameAndTheToken) {
    EXPECT_EQ(portalRequestPath(":1.42", "lumbex_7f"),
              "/org/freedesktop/portal/desktop/request/1_42/lumbex_7f");
    EXPECT_EQ(portalRequestPath(":12.3.4", "t"),
              "/org/freedesktop/portal/desktop/request/12_3_4/t");
}

TEST(PortalRequest, TokensAreValidPathElementsAndNewEachTime) {
    std::set<QString> seen;
    const QRegularExpression element(QStringLiteral("^[A-Za-z0-9_]+$"));
    for (int i = 0; i < 100; ++i) {
        const QString token = newHandleToken();
        EXPECT_TRUE(element.match(token).hasMatch()) << token.toStdString();
        EXPECT_TRUE(seen.insert(token).second) << token.toStdString();
    }
}

TEST(PortalResponse, AnAcceptedScreenshotGivesItsLocalFile) {
    struct Row {
        const char* uri;
        const char* path;
    } rows[] = {
        {"file:///tmp/out.png", "/tmp/out.png"},
        {"file://localhost/tmp/out.png", "/tmp/out.png"},
        {"file:///home/ana/Pictures/Screenshot%20from%202026.png",
         "/home/ana/Pictures/Screenshot from 2026.png"},
        {"file:///run/user/1000/doc/ab12/Screenshot.png", "/run/user/1000/doc/ab12/Screenshot.png"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(screenshotFile(0, {{"uri", QString::fromUtf8(row.uri)}}),
                  QString::fromUtf8(row.path))
            << row.uri;
}

TEST(PortalResponse, RefusalsFailuresAndUnusableAnswersSayWhatToDo) {
    struct Row {
        const char* name;
        uint response;
        QVariantMap results;
        const char* message;
    } rows[] = {
        {"cancelled",
         1,
         {{"uri", "file:///tmp/out.png"}},
         "The screenshot was cancelled or not allowed"},
        {"failed", 2, {}, "The desktop portal could not take a screenshot"},
        {"unknown code", 7, {}, "The desktop portal could not take a screenshot"},
        {"no uri", 0, {}, "gave no file Lumbex can read"},
        {"not a string", 0, {{"uri", 42}}, "gave no file Lumbex can read"},
        {"empty", 0, {{"uri", ""}}, "gave no file Lumbex can read"},
        {"another computer",
         0,
         {{"uri", "file://server/tmp/out.png"}},
         "gave no file Lumbex can read"},
        {"http", 0, {{"uri", "http://example.com/out.png"}}, "gave no file Lumbex can read"},
        {"relative", 0, {{"uri", "out.png"}}, "gave no file Lumbex can read"},
        {"a folder", 0, {{"uri", "file:///tmp/"}}, "gave no file Lumbex can read"},
        {"a query", 0, {{"uri", "file:///tmp/out.png?x=1"}}, "gave no file Lumbex can read"},
    };
    for (const Row& row : rows) {
        try {
            const QString path = screenshotFile(row.response, row.results);
            ADD_FAILURE() << row.name << ": accepted " << path.toStdString();
        } catch (const LumbexError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(row.message)))
                << row.name << ": " << e.message().toStdString();
        }
    }
}

QByteArray pngHead(quint32 width, quint32 height) {
    QByteArray head("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (quint32 value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            head.append(char(value >> shift & 0xff));
    return head;
}

TEST(PortalPicture, TheSizeComesFromThePngHeaderOnly) {
    EXPECT_EQ(pngSize(pngHead(1280, 800)), QSize(1280, 800));
    EXPECT_EQ(pngSize(pngHead(1, 32768)), QSize(1, 32768));
    EXPECT_EQ(pngSize(pngHead(0, 800)), QSize());
    EXPECT_EQ(pngSize(pngHead(1280, 0x80000000u)), QSize());
    EXPECT_EQ(pngSize(pngHead(1280, 800).left(23)), QSize()) << "too short";
    QByteArray jpeg = pngHead(1280, 800);
    jpeg[0] = char(0xff);
    EXPECT_EQ(pngSize(jpeg), QSize()) << "not a PNG signature";
    QByteArray otherChunk = pngHead(1280, 800);
    otherChunk.replace(12, 4, "IDAT");
    EXPECT_EQ(pngSize(otherChunk), QSize()) << "the first chunk is not IHDR";
}

TEST(PortalPicture, TheLargestFileAllowsAnUncompressedPngAndLittleMore) {
    for (const QSize size : {QSize(1, 1), QSize(1280, 800), QSize(7680, 4320)}) {
        const qint64 raw = (1 + 4 * qint64(size.width())) * size.height();
        EXPECT_GE(largestPngBytes(size), raw + 1024) << size.width();
        EXPECT_LE(largestPngBytes(size), raw + raw / 100 + (2 << 20)) << size.width();
    }
}

} // namespace
} // namespace lumbex
