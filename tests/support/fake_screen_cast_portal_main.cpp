// A stand-in for the desktop portal's ScreenCast interface on a private session bus. It owns
// org.freedesktop.portal.Desktop, answers the interface's properties, CreateSession,
// SelectSources, Start, OpenPipeWireRemote and Session.Close, and writes one line per call to
// stdout.
//
// Options: --version N, --cursor-modes N and --source-types N (the properties), --start-response
// N, --streams good | text | list-of-numbers | text-position (the shape of Start's "streams"), and
// --pipewire-socket PATH with --window-node N: a types=2 selection is answered with that node (no
// position or size), and OpenPipeWireRemote hands over a new connection to that PipeWire socket
// instead of /dev/null; --window-size WxH gives that window's size. --screenshot PATH answers the
// Screenshot interface non-interactively with a grey 640 × 480 PNG written to PATH.

#include "support/fake_portal_lines.h"

#include <QColor>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Pair {
    int a = 0;
    int b = 0;
};

struct TextPair {
    QString a;
    QString b;
};

struct Stream {
    uint node = 0;
    QVariantMap properties;
};

} // namespace

Q_DECLARE_METATYPE(Pair)
Q_DECLARE_METATYPE(TextPair)
Q_DECLARE_METATYPE(Stream)

QDBusArgument& operator<<(QDBusArgument& argument, const Pair& pair) {
    argument.beginStructure();
    argument << pair.a << pair.b;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, Pair& pair) {
    argument.beginStructure();
    argument >> pair.a >> pair.b;
    argument.endStructure();
    return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const TextPair& pair) {
    argument.beginStructure();
    argument << pair.a << pair.b;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, TextPair& pair) {
    argument.beginStructure();
    argument >> pair.a >> pair.b;
    argument.endStructure();
    return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const Stream& stream) {
    argument.beginStructure();
    argument << stream.node << stream.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, Stream& stream) {
    argument.beginStructure();
    argument >> stream.node >> stream.properties;
    argument.endStructure();
    return argument;
}

namespace {

const char kObject[] = "/org/freedesktop/portal/desktop";
const char kScreenCast[] = "org.freedesktop.portal.ScreenCast";

using lumbex::test::say;
using lumbex::test::senderPart;

class FakePortal : public QDBusVirtualObject {
public:
    uint version = 4;
    uint cursorModes = 3;
    uint startResponse = 0;
    QString streams = QStringLiteral("good");
    uint sourceTypes = 1;
    QString pipeWireSocket;
    uint windowNode = 0;
    QSize windowSize;
    QString screenshot;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QDBusConnection bus = connection;
        const QString member = message.member();
        const QList<QVariant> arguments = message.arguments();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"GetAll") {
            bus.send(message.createReply(
                QVariantMap{{QStringLiteral("version"), version},
                            {QStringLiteral("AvailableSourceTypes"), sourceTypes},
                            {QStringLiteral("AvailableCursorModes"), cursorModes}}));
            return true;
        }
        if (message.interface() == u"org.freedesktop.portal.Session" && member == u"Close") {
            say(QStringLiteral("Close ") + message.path());
            bus.send(message.createReply());
            return true;
        }
        if (message.interface() == u"org.freedesktop.portal.Screenshot" &&
            member == u"Screenshot" && !screenshot.isEmpty()) {
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.last());
            const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/") +
                                    senderPart(message.service()) + u'/' +
                                    options.value(QStringLiteral("handle_token")).toString();
            say(QStringLiteral("Screenshot"));
            QImage picture(640, 480, QImage::Format_RGB32);
            picture.fill(QColor(90, 90, 90));
            picture.save(screenshot, "PNG");
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, 0,
                    {{QStringLiteral("uri"), QUrl::fromLocalFile(screenshot).toString()}});
            return true;
        }
        if (message.interface() != QLatin1String(kScreenCast))
            return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.last());
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/") +
                                senderPart(message.service()) + u'/' +
                                options.value(QStringLiteral("handle_token")).toString();
        if (member == u"CreateSession") {
            const QString session =
                QStringLiteral("/org/freedesktop/portal/desktop/session/") +
                senderPart(message.service()) + u'/' +
                options.value(QStringLiteral("session_handle_token")).toString();
            say(QStringLiteral("CreateSession ") + session);
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, 0, {{QStringLiteral("session_handle"), session}});
        } else if (member == u"SelectSources") {
            const auto shown = [&](const char* key) {
                const QVariant value = options.value(QLatin1String(key));
                return value.isValid() ? value.toString() : QStringLiteral("-");
            };
            say(QStringLiteral("SelectSources types=%1 multiple=%2 cursor_mode=%3 "
                               "persist_mode=%4 restore_token=%5")
                    .arg(shown("types"), shown("multiple"), shown("cursor_mode"),
                         shown("persist_mode"), shown("restore_token")));
            selectedTypes = options.value(QStringLiteral("types")).toUInt();
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, 0, {});
        } else if (member == u"Start") {
            say(QStringLiteral("Start"));
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, startResponse, startResults());
        } else if (member == u"OpenPipeWireRemote") {
            say(QStringLiteral("OpenPipeWireRemote"));
            const int fd = pipeWireSocket.isEmpty() ? ::open("/dev/null", O_RDONLY | O_CLOEXEC)
                                                    : connectTo(pipeWireSocket);
            bus.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fd))));
            ::close(fd);
        } else {
            return false;
        }
        return true;
    }

private:
    static int connectTo(const QString& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min<size_t>(name.size(), sizeof address.sun_path - 1));
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    QVariantMap startResults() const {
        QVariantMap results;
        if (version >= 4)
            results.insert(QStringLiteral("restore_token"), QStringLiteral("fresh-token"));
        if (selectedTypes == 2 && windowNode != 0) {
            // Window streams carry no place on the desktop here, as on most desktops.
            QVariantMap properties{{QStringLiteral("source_type"), uint(2)}};
            if (windowSize.isValid())
                properties.insert(
                    QStringLiteral("size"),
                    QVariant::fromValue(Pair{windowSize.width(), windowSize.height()}));
            results.insert(QStringLiteral("streams"),
                           QVariant::fromValue(QList<Stream>{{windowNode, properties}}));
            return results;
        }
        if (streams == u"text") {
            results.insert(QStringLiteral("streams"), QStringLiteral("57"));
        } else if (streams == u"list-of-numbers") {
            results.insert(QStringLiteral("streams"), QVariant::fromValue(QList<uint>{57}));
        } else {
            QVariantMap properties{{QStringLiteral("source_type"), uint(1)},
                                   {QStringLiteral("size"), QVariant::fromValue(Pair{640, 480})}};
            if (streams == u"text-position")
                properties.insert(QStringLiteral("position"),
                                  QVariant::fromValue(TextPair{"10", "20"}));
            else
                properties.insert(QStringLiteral("position"), QVariant::fromValue(Pair{10, 20}));
            results.insert(QStringLiteral("streams"),
                           QVariant::fromValue(QList<Stream>{{57, properties}}));
        }
        return results;
    }

    uint selectedTypes = 0;

    static void respond(QDBusConnection& bus, const QString& request, uint code,
                        const QVariantMap& results) {
        QDBusMessage signal = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << code << results;
        bus.send(signal);
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Pair>();
    qDBusRegisterMetaType<TextPair>();
    qDBusRegisterMetaType<Stream>();
    qDBusRegisterMetaType<QList<Stream>>();
    qDBusRegisterMetaType<QList<uint>>();
    FakePortal portal;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& value = arguments[i + 1];
        if (arguments[i] == u"--version")
            portal.version = value.toUInt();
        else if (arguments[i] == u"--cursor-modes")
            portal.cursorModes = value.toUInt();
        else if (arguments[i] == u"--start-response")
            portal.startResponse = value.toUInt();
        else if (arguments[i] == u"--streams")
            portal.streams = value;
        else if (arguments[i] == u"--source-types")
            portal.sourceTypes = value.toUInt();
        else if (arguments[i] == u"--pipewire-socket")
            portal.pipeWireSocket = value;
        else if (arguments[i] == u"--window-node")
            portal.windowNode = value.toUInt();
        else if (arguments[i] == u"--window-size")
            portal.windowSize =
                QSize(value.section(u'x', 0, 0).toInt(), value.section(u'x', 1, 1).toInt());
        else if (arguments[i] == u"--screenshot")
            portal.screenshot = value;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QString::fromLatin1(kObject), &portal,
                                   QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        say(QStringLiteral("could not register on the bus"));
        return 1;
    }
    say(QStringLiteral("ready"));
    return app.exec();
}
