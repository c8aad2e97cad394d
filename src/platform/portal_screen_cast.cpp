#include "platform/portal_screen_cast.h"

#include "core/error.h"
#include "platform/portal_request.h"
#include "platform/portal_screenshot.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace lumbex {
namespace {

const char kScreenCast[] = "org.freedesktop.portal.ScreenCast";
const char kSession[] = "org.freedesktop.portal.Session";

// The portal answers these at once; only Start may wait for the person at the chooser.
constexpr int kQuietAnswerMs = 30'000;
constexpr int kChooserAnswerMs = 300'000;
// Restore tokens and keeping a grant came with version 4 of the interface.
constexpr uint kPersistVersion = 4;
// Kept until the person revokes it, not only while Lumbex runs.
constexpr uint kPersistUntilRevoked = 2;

QString portalMissing() {
    return QStringLiteral(
        "Lumbex records the screen on Wayland through the desktop portal, which is not running "
        "here or cannot share the screen. Install xdg-desktop-portal and the backend for your "
        "desktop (xdg-desktop-portal-wlr for sway and other wlroots desktops, "
        "xdg-desktop-portal-gnome or xdg-desktop-portal-kde), then log in again.");
}

QString portalSilent() {
    return QStringLiteral(
        "The desktop portal did not answer the screen recording request. Check that "
        "xdg-desktop-portal and the backend for your desktop are running, then try again.");
}

QString unreadableAnswer() {
    return QStringLiteral("The desktop portal’s answer to the screen recording request could not "
                          "be read. Try again.");
}

void checkResponse(uint response) {
    if (response == 0)
        return;
    if (response == 1)
        throw LumbexError(QStringLiteral("Screen sharing was cancelled, so nothing was recorded. "
                                         "Start again and choose a screen to share."),
                          ECANCELED);
    throw LumbexError(QStringLiteral(
        "The desktop portal could not start sharing the screen. Check that xdg-desktop-portal "
        "and the backend for your desktop are running, then try again."));
}

bool isArgument(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<QDBusArgument>();
}

// A D-Bus (ii) or an [a, b] list.
std::pair<int, int> readPair(const QVariant& value) {
    if (isArgument(value)) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != u"(ii)")
            throw LumbexError(unreadableAnswer());
        int a = 0;
        int b = 0;
        argument.beginStructure();
        argument >> a >> b;
        argument.endStructure();
        return {a, b};
    }
    const QVariantList list = value.toList();
    if (value.metaType() != QMetaType::fromType<QVariantList>() || list.size() != 2 ||
        list[0].metaType() != QMetaType::fromType<int>() ||
        list[1].metaType() != QMetaType::fromType<int>())
        throw LumbexError(unreadableAnswer());
    return {list[0].toInt(), list[1].toInt()};
}

// The streams as [node, properties] lists, whichever form they came in.
QVariantList streamEntries(const QVariant& value) {
    if (!isArgument(value)) {
        if (value.metaType() != QMetaType::fromType<QVariantList>())
            throw LumbexError(unreadableAnswer());
        return value.toList();
    }
    // The signature is checked first: reading a QDBusArgument as the wrong type aborts.
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != u"a(ua{sv})")
        throw LumbexError(unreadableAnswer());
    QVariantList entries;
    argument.beginArray();
    while (!argument.atEnd()) {
        uint node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        entries.push_back(QVariantList{QVariant::fromValue(node), properties});
    }
    argument.endArray();
    return entries;
}

ScreenCastStream readStream(const QVariant& entry) {
    const QVariantList fields = entry.toList();
    if (entry.metaType() != QMetaType::fromType<QVariantList>() || fields.size() != 2 ||
        fields[0].metaType() != QMetaType::fromType<uint>() ||
        fields[1].metaType() != QMetaType::fromType<QVariantMap>())
        throw LumbexError(unreadableAnswer());
    ScreenCastStream stream;
    stream.node = fields[0].toUInt();
    const QVariantMap properties = fields[1].toMap();
    if (properties.contains(QStringLiteral("position"))) {
        const auto [x, y] = readPair(properties.value(QStringLiteral("position")));
        stream.position = QPoint(x, y);
    }
    if (properties.contains(QStringLiteral("size"))) {
        const auto [width, height] = readPair(properties.value(QStringLiteral("size")));
        if (width <= 0 || height <= 0)
            throw LumbexError(unreadableAnswer());
        stream.size = QSize(width, height);
    }
    if (properties.contains(QStringLiteral("source_type"))) {
        const QVariant type = properties.value(QStringLiteral("source_type"));
        if (type.metaType() != QMetaType::fromType<uint>())
            throw LumbexError(unreadableAnswer());
        stream.sourceType = type.toUInt();
    }
    return stream;
}

QString handleOf(const QVariant& handle) {
    // A string from some portals and an object path from others.
    if (handle.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>().path();
    if (handle.metaType() == QMetaType::fromType<QString>())
        return handle.toString();
    return {};
}

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService),
                                          QString::fromLatin1(kPortalObject),
                                          QString::fromLatin1(kScreenCast), method);
}

} // namespace

std::optional<ScreenCastOffer> screenCastOffer(QDBusConnection bus) {
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalObject),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    get << QString::fromLatin1(kScreenCast);
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant all = reply.arguments().first();
    if (!isArgument(all) || all.value<QDBusArgument>().currentSignature() != u"a{sv}")
        return std::nullopt;
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.value<QDBusArgument>());
    ScreenCastOffer offer;
    offer.version = properties.value(QStringLiteral("version")).toUInt();
    offer.sourceTypes = properties.value(QStringLiteral("AvailableSourceTypes")).toUInt();
    offer.cursorModes = properties.value(QStringLiteral("AvailableCursorModes")).toUInt();
    if (offer.version == 0 || !(offer.sourceTypes & kScreenCastMonitor))
        return std::nullopt;
    return offer;
}

ScreenCastGrant parseScreenCastStart(uint response, const QVariantMap& results) {
    checkResponse(response);
    ScreenCastGrant grant;
    for (const QVariant& entry : streamEntries(results.value(QStringLiteral("streams"))))
        grant.streams.push_back(readStream(entry));
    if (grant.streams.empty())
        throw LumbexError(QStringLiteral(
            "The desktop portal shared no screen, so nothing can be recorded. Start again and "
            "choose a screen to share."));
    if (results.contains(QStringLiteral("restore_token"))) {
        const QVariant token = results.value(QStringLiteral("restore_token"));
        if (token.metaType() != QMetaType::fromType<QString>())
            throw LumbexError(unreadableAnswer());
        grant.restoreToken = token.toString();
    }
    return grant;
}

ScreenCastSession::ScreenCastSession(QDBusConnection bus, const ScreenCastOffer& offer,
                                     const ScreenCastRequest& request)
    : bus_(std::move(bus)) {
    if (!bus_.isConnected())
        throw LumbexError(QStringLiteral(
            "Lumbex records the screen on Wayland through the desktop portal, but there is no "
            "D-Bus session bus. Start Lumbex from your desktop session, then try again."));
    const QVariantMap created =
        this->request(QStringLiteral("CreateSession"), {},
                      {{QStringLiteral("session_handle_token"), newHandleToken()}}, kQuietAnswerMs);
    session_ = handleOf(created.value(QStringLiteral("session_handle")));
    if (session_.isEmpty())
        throw LumbexError(unreadableAnswer());

    try {
        const bool embedded = request.cursor && (offer.cursorModes & kScreenCastCursorEmbedded);
        QVariantMap selection{
            {QStringLiteral("types"), request.sourceType},
            {QStringLiteral("multiple"), false},
            {QStringLiteral("cursor_mode"),
             embedded ? kScreenCastCursorEmbedded : kScreenCastCursorHidden},
        };
        if (request.persist && offer.version >= kPersistVersion) {
            selection.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
            if (!request.restoreToken.isEmpty())
                selection.insert(QStringLiteral("restore_token"), request.restoreToken);
        }
        const QVariant session = QVariant::fromValue(QDBusObjectPath(session_));
        this->request(QStringLiteral("SelectSources"), {session}, selection, kQuietAnswerMs);

        const QString token = newHandleToken();
        QDBusMessage start = portalCall(QStringLiteral("Start"));
        start << session << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
        const PortalAnswer answer = askPortal(bus_, start, token, kChooserAnswerMs);
        if (answer.outcome == PortalAnswer::Outcome::CallFailed)
            throw LumbexError(portalMissing());
        if (answer.outcome == PortalAnswer::Outcome::NoAnswer)
            throw LumbexError(portalSilent());
        const ScreenCastGrant grant = parseScreenCastStart(answer.response, answer.results);
        stream_ = grant.streams.front();
        restoreToken_ = grant.restoreToken.isEmpty() ? request.restoreToken : grant.restoreToken;

        QDBusMessage open = portalCall(QStringLiteral("OpenPipeWireRemote"));
        open << session << QVariantMap();
        const QDBusMessage reply = bus_.call(open, QDBus::Block, kQuietAnswerMs);
        const QVariant descriptor = reply.arguments().value(0);
        if (reply.type() != QDBusMessage::ReplyMessage ||
            descriptor.metaType() != QMetaType::fromType<QDBusUnixFileDescriptor>() ||
            !descriptor.value<QDBusUnixFileDescriptor>().isValid())
            throw LumbexError(portalMissing());
        // The descriptor object closes its own copy.
        fd_ = ::fcntl(descriptor.value<QDBusUnixFileDescriptor>().fileDescriptor(), F_DUPFD_CLOEXEC,
                      0);
        if (fd_ < 0)
            throw LumbexError(QStringLiteral("The screen recording could not be prepared. "
                                             "Try again."),
                              errno);
    } catch (const LumbexError&) {
        close();
        throw;
    }
}

ScreenCastSession::~ScreenCastSession() {
    if (fd_ >= 0)
        ::close(fd_);
    close();
}

int ScreenCastSession::takePipeWireFd() {
    return std::exchange(fd_, -1);
}

QVariantMap ScreenCastSession::request(const QString& method, QList<QVariant> arguments,
                                       QVariantMap options, int answerMs) {
    const QString token = newHandleToken();
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = portalCall(method);
    call.setArguments(arguments << options);
    const PortalAnswer answer = askPortal(bus_, call, token, answerMs);
    if (answer.outcome == PortalAnswer::Outcome::CallFailed)
        throw LumbexError(portalMissing());
    if (answer.outcome == PortalAnswer::Outcome::NoAnswer)
        throw LumbexError(portalSilent());
    checkResponse(answer.response);
    return answer.results;
}

void ScreenCastSession::close() {
    if (session_.isEmpty())
        return;
    bus_.call(QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), session_,
                                             QString::fromLatin1(kSession),
                                             QStringLiteral("Close")),
              QDBus::NoBlock);
    session_.clear();
}

} // namespace lumbex
