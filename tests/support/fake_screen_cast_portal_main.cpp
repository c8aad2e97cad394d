// A stand-in for the desktop portal's ScreenCast interface on a private session bus. It owns
// org.freedesktop.portal.Desktop, answers the interface's properties, CreateSession,
// SelectSources, Start, OpenPipeWireRemote and Session.Close, and writes one line per call to
// stdout.
//
// Options: --version N and --cursor-modes N (the properties), --start-response N, and --streams
// good | text | list-of-numbers | text-position (the shape of Start's "streams").

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <cstdio>
#include <fcntl.h>
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

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString senderPart(const QString& sender) {
    QString part = sender.mid(1);
    return part.replace(u'.', u'_');
}

class FakePortal : public QDBusVirtualObject {
public:
    uint version = 4;
    uint cursorModes = 3;
    uint startResponse = 0;
    QString streams = QStringLiteral("good");

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QDBusConnection bus = connection;
        const QString member = message.member();
        const QList<QVariant> arguments = message.arguments();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"GetAll") {
            bus.send(message.createReply(
                QVariantMap{{QStringLiteral("version"), version},
                            {QStringLiteral("AvailableSourceTypes"), uint(1)},
                            {QStringLiteral("AvailableCursorModes"), cursorModes}}));
            return true;
        }
        if (message.interface() == u"org.freedesktop.portal.Session" && member == u"Close") {
            say(QStringLiteral("Close ") + message.path());
            bus.send(message.createReply());
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
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, 0, {});
        } else if (member == u"Start") {
            say(QStringLiteral("Start"));
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(bus, request, startResponse, startResults());
        } else if (member == u"OpenPipeWireRemote") {
            say(QStringLiteral("OpenPipeWireRemote"));
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            bus.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fd))));
            ::close(fd);
        } else {
            return false;
        }
        return true;
    }

private:
    QVariantMap startResults() const {
        QVariantMap results;
        if (version >= 4)
            results.insert(QStringLiteral("restore_token"), QStringLiteral("fresh-token"));
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
