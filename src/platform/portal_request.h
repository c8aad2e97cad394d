#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

namespace lumbex {

// The desktop portal's bus name, and the object on which it offers every interface.
inline constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
inline constexpr char kPortalObject[] = "/org/freedesktop/portal/desktop";

// One request to the desktop portal: the method call, then the Response signal on the request
// object that answers it.
struct PortalAnswer {
    enum class Outcome {
        Answered,   // the Response signal came: `response` and `results` hold it
        CallFailed, // the call itself was refused (no portal, no such interface)
        NoAnswer    // the call returned but no Response came in time
    };
    Outcome outcome = Outcome::NoAnswer;
    uint response = 2;
    QVariantMap results;
};

// Sends `call`, whose options carry "handle_token" `token`, and waits (running a local event loop)
// up to `answerMs` for the call's reply and then for its Response.
PortalAnswer askPortal(QDBusConnection bus, const QDBusMessage& call, const QString& token,
                       int answerMs);

} // namespace lumbex
