#include "platform/portal_request.h"

#include "platform/portal_screenshot.h"

#include <QDBusObjectPath>
#include <QEventLoop>
#include <QTimer>
#include <optional>

namespace lumbex {
namespace {

const char kRequest[] = "org.freedesktop.portal.Request";

// Receives the Response signal of one request.
class ResponseCatcher : public QObject {
    Q_OBJECT
public:
    std::optional<uint> response;
    QVariantMap results;
    QEventLoop loop;

public slots:
    void received(uint code, const QVariantMap& values) {
        response = code;
        results = values;
        loop.quit();
    }
};

} // namespace

PortalAnswer askPortal(QDBusConnection bus, const QDBusMessage& call, const QString& token,
                       int answerMs) {
    ResponseCatcher catcher;
    QStringList heard;
    const auto listen = [&](const QString& object) {
        if (bus.connect(QString::fromLatin1(kPortalService), object, QString::fromLatin1(kRequest),
                        QStringLiteral("Response"), &catcher, SLOT(received(uint, QVariantMap))))
            heard << object;
    };
    // Listening before asking: the answer may come before the call returns.
    listen(portalRequestPath(bus.baseService(), token));
    const auto forget = [&] {
        for (const QString& object : heard)
            bus.disconnect(QString::fromLatin1(kPortalService), object,
                           QString::fromLatin1(kRequest), QStringLiteral("Response"), &catcher,
                           SLOT(received(uint, QVariantMap)));
    };

    PortalAnswer answer;
    const QDBusMessage reply = bus.call(call, QDBus::Block, answerMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        forget();
        answer.outcome = PortalAnswer::Outcome::CallFailed;
        return answer;
    }
    // Portals older than handle tokens choose their own path.
    const QString given = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!given.isEmpty() && !heard.contains(given))
        listen(given);
    if (!catcher.response) {
        QTimer::singleShot(answerMs, &catcher.loop, &QEventLoop::quit);
        catcher.loop.exec();
    }
    forget();
    if (catcher.response) {
        answer.outcome = PortalAnswer::Outcome::Answered;
        answer.response = *catcher.response;
        answer.results = catcher.results;
    }
    return answer;
}

} // namespace lumbex

#include "portal_request.moc"
