// A stand-in for the desktop portal's global shortcuts on a private session bus. It owns
// org.freedesktop.portal.Desktop, answers CreateSession, BindShortcuts and Session.Close, and
// writes one line per call to stdout. A line "activate <id>" or "deactivate <id>" on stdin emits
// that signal for the latest session; "activate-in-previous-session <id>" for the one before.
//
// Options: --no-global-shortcuts (the interface is not offered), --create-response N and
// --bind-response N (the Response codes; "none" never answers).

#include "support/fake_portal_lines.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

const char kObject[] = "/org/freedesktop/portal/desktop";
const char kShortcuts[] = "org.freedesktop.portal.GlobalShortcuts";

using lumbex::test::say;
using lumbex::test::senderPart;

class FakePortal : public QDBusVirtualObject {
public:
    bool offered = true;
    QString createResponse = QStringLiteral("0");
    QString bindResponse = QStringLiteral("0");
    QString session;
    QString previousSession;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QDBusConnection bus = connection;
        const QString member = message.member();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"Get") {
            if (offered && message.arguments().value(0).toString() == QLatin1String(kShortcuts) &&
                message.arguments().value(1).toString() == u"version")
                bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            else
                bus.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                  QStringLiteral("No such interface")));
            return true;
        }
        if (message.interface() == u"org.freedesktop.portal.Session" && member == u"Close") {
            say(QStringLiteral("Close ") + message.path());
            bus.send(message.createReply());
            return true;
        }
        if (!offered || message.interface() != QLatin1String(kShortcuts))
            return false;
        if (member == u"CreateSession") {
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
            const QString requestPath = requestFor(message, options);
            const QString sessionPath =
                QStringLiteral("/org/freedesktop/portal/desktop/session/") +
                senderPart(message.service()) + u'/' +
                options.value(QStringLiteral("session_handle_token")).toString();
            say(QStringLiteral("CreateSession ") + sessionPath);
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(requestPath))));
            if (createResponse == u"0") {
                previousSession = session;
                session = sessionPath;
            }
            respond(bus, requestPath, createResponse,
                    {{QStringLiteral("session_handle"), sessionPath}});
            return true;
        }
        if (member == u"BindShortcuts") {
            const QList<QVariant> arguments = message.arguments();
            const QString sessionPath = arguments.value(0).value<QDBusObjectPath>().path();
            QStringList bound;
            const QDBusArgument list = arguments.value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                bound << id + u'=' +
                             properties.value(QStringLiteral("preferred_trigger")).toString() +
                             u'/' + properties.value(QStringLiteral("description")).toString();
            }
            list.endArray();
            const QString requestPath =
                requestFor(message, qdbus_cast<QVariantMap>(arguments.value(3)));
            say(QStringLiteral("BindShortcuts ") + sessionPath + u' ' + bound.join(u','));
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(requestPath))));
            respond(bus, requestPath, bindResponse, {});
            return true;
        }
        return false;
    }

    void emitShortcut(const QString& signal, const QString& inSession, const QString& id) {
        QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(kObject),
                                                          QString::fromLatin1(kShortcuts), signal);
        message << QVariant::fromValue(QDBusObjectPath(inSession)) << id << qulonglong(1234)
                << QVariantMap();
        QDBusConnection::sessionBus().send(message);
    }

private:
    static QString requestFor(const QDBusMessage& message, const QVariantMap& options) {
        return QStringLiteral("/org/freedesktop/portal/desktop/request/") +
               senderPart(message.service()) + u'/' +
               options.value(QStringLiteral("handle_token")).toString();
    }

    static void respond(QDBusConnection& bus, const QString& requestPath, const QString& code,
                        const QVariantMap& results) {
        if (code == u"none")
            return;
        QDBusMessage signal = QDBusMessage::createSignal(
            requestPath, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"));
        signal << code.toUInt() << results;
        bus.send(signal);
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakePortal portal;
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--no-global-shortcuts")
            portal.offered = false;
        else if (arguments[i] == u"--create-response" && i + 1 < arguments.size())
            portal.createResponse = arguments[++i];
        else if (arguments[i] == u"--bind-response" && i + 1 < arguments.size())
            portal.bindResponse = arguments[++i];
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QString::fromLatin1(kObject), &portal,
                                   QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        say(QStringLiteral("could not register on the bus"));
        return 1;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[256];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            app.quit();
            return;
        }
        for (const QString& command : QString::fromUtf8(line, int(n)).split(u'\n')) {
            const QStringList words = command.split(u' ', Qt::SkipEmptyParts);
            if (words.size() == 2 && words[0] == u"activate")
                portal.emitShortcut(QStringLiteral("Activated"), portal.session, words[1]);
            else if (words.size() == 2 && words[0] == u"activate-in-previous-session")
                portal.emitShortcut(QStringLiteral("Activated"), portal.previousSession, words[1]);
            else if (words.size() == 2 && words[0] == u"deactivate")
                portal.emitShortcut(QStringLiteral("Deactivated"), portal.session, words[1]);
        }
    });
    say(QStringLiteral("ready"));
    return app.exec();
}
