#include "platform/portal_hot_keys.h"

#include "platform/portal_request.h"
#include "platform/portal_screenshot.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QKeySequence>
#include <QTimer>

namespace lumbex {

// One entry of BindShortcuts' shortcut list: (id, {description, preferred_trigger}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

} // namespace lumbex

Q_DECLARE_METATYPE(lumbex::PortalShortcut)

namespace lumbex {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const char kShortcuts[] = "org.freedesktop.portal.GlobalShortcuts";
const char kSession[] = "org.freedesktop.portal.Session";

// The portal answers both requests without asking the person in the common case; one that
// shows a dialog gets no longer than this, so that the GUI thread is never held for long.
constexpr int kAnswerMs = 4000;

QDBusMessage portalCall(const QString& method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService),
                                          QString::fromLatin1(kPortalObject),
                                          QString::fromLatin1(kShortcuts), method);
}

QString keyName(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QString(QChar(u'a' + (key - Qt::Key_A)));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return QString(QChar(u'0' + (key - Qt::Key_0)));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    switch (key) {
    case Qt::Key_Space:
        return QStringLiteral("space");
    case Qt::Key_Return:
        return QStringLiteral("Return");
    case Qt::Key_Escape:
        return QStringLiteral("Escape");
    case Qt::Key_Tab:
        return QStringLiteral("Tab");
    case Qt::Key_Print:
        return QStringLiteral("Print");
    default:
        return {};
    }
}

class PortalHotKeys final : public QObject, public HotKeys {
    Q_OBJECT
public:
    PortalHotKeys(QDBusConnection bus, std::map<int, PortalShortcutName> names)
        : bus_(std::move(bus)), names_(std::move(names)),
          watcher_(QString::fromLatin1(kPortalService), bus_,
                   QDBusServiceWatcher::WatchForUnregistration) {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        // The slot below is looked up by its parameters' type names, which Qt knows only once
        // the types are registered.
        qRegisterMetaType<QDBusObjectPath>();
        bus_.connect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalObject),
                     QString::fromLatin1(kShortcuts), QStringLiteral("Activated"), this,
                     SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        // A portal that went away took its session, and with it every binding.
        connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { session_.clear(); });
    }

    ~PortalHotKeys() override { closeSession(); }

    int add(int id, QKeyCombination keys) override {
        if (binding_ || portalTrigger(keys).isEmpty())
            return kUnavailable;
        std::map<int, QKeyCombination> wanted = keys_;
        wanted[id] = keys;
        if (bind(wanted)) {
            keys_ = std::move(wanted);
            return 0;
        }
        // The others were bound in the session just closed: bind them again without this one.
        keys_.erase(id);
        rebindLater();
        return kUnavailable;
    }

    void remove(int id) override {
        if (!keys_.erase(id))
            return;
        closeSession();
        rebindLater();
    }

    QString unavailableReason() const override { return {}; }

private slots:
    void activated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                   const QVariantMap&) {
        if (session_.isEmpty() || session.path() != session_)
            return;
        for (const auto& [id, keys] : keys_)
            if (shortcutId(id) == shortcut) {
                notifyPressed(id);
                return;
            }
    }

private:
    QString shortcutId(int id) const {
        const auto named = names_.find(id);
        return named != names_.end() ? named->second.id : QString::number(id);
    }

    QString description(int id) const {
        const auto named = names_.find(id);
        return named != names_.end() ? named->second.description
                                     : QStringLiteral("Lumbex shortcut %1").arg(id);
    }

    // A removal's rebinding waits for the event loop, so that removing every key and adding new
    // ones (as a change of keys does) costs one session, not one per step.
    void rebindLater() {
        if (rebindPending_)
            return;
        rebindPending_ = true;
        QTimer::singleShot(0, this, [this] {
            rebindPending_ = false;
            if (!binding_ && session_.isEmpty() && !keys_.empty() && !bind(keys_))
                keys_.clear();
        });
    }

    void closeSession() {
        if (session_.isEmpty())
            return;
        bus_.call(QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), session_,
                                                 QString::fromLatin1(kSession),
                                                 QStringLiteral("Close")),
                  QDBus::NoBlock);
        session_.clear();
    }

    // Binds `keys` in a new session, which becomes the current one on success.
    bool bind(const std::map<int, QKeyCombination>& keys) {
        binding_ = true;
        closeSession();
        const QString session = createSession();
        bool bound = false;
        if (!session.isEmpty()) {
            QList<PortalShortcut> shortcuts;
            for (const auto& [id, combination] : keys)
                shortcuts.push_back(
                    {shortcutId(id),
                     {{QStringLiteral("description"), description(id)},
                      {QStringLiteral("preferred_trigger"), portalTrigger(combination)}}});
            const QString token = newHandleToken();
            QDBusMessage call = portalCall(QStringLiteral("BindShortcuts"));
            call << QVariant::fromValue(QDBusObjectPath(session)) << QVariant::fromValue(shortcuts)
                 << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
            const PortalAnswer answer = askPortal(bus_, call, token, kAnswerMs);
            bound = answer.outcome == PortalAnswer::Outcome::Answered && answer.response == 0;
            session_ = session;
            if (!bound)
                closeSession();
        }
        binding_ = false;
        return bound;
    }

    QString createSession() {
        const QString token = newHandleToken();
        QDBusMessage call = portalCall(QStringLiteral("CreateSession"));
        call << QVariantMap{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("session_handle_token"), newHandleToken()}};
        const PortalAnswer answer = askPortal(bus_, call, token, kAnswerMs);
        if (answer.outcome != PortalAnswer::Outcome::Answered || answer.response != 0)
            return {};
        // The handle comes as a string from some portals and as an object path from others.
        const QVariant handle = answer.results.value(QStringLiteral("session_handle"));
        if (handle.canConvert<QDBusObjectPath>() && handle.typeId() != QMetaType::QString)
            return handle.value<QDBusObjectPath>().path();
        return handle.toString();
    }

    QDBusConnection bus_;
    std::map<int, PortalShortcutName> names_;
    QDBusServiceWatcher watcher_;
    std::map<int, QKeyCombination> keys_;
    QString session_;
    bool binding_ = false;
    bool rebindPending_ = false;
};

} // namespace

QString portalTrigger(QKeyCombination keys) {
    const QString key = keyName(keys.key());
    if (key.isEmpty())
        return {};
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = keys.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(u'+');
}

std::unique_ptr<HotKeys> openPortalHotKeys(QDBusConnection bus,
                                           std::map<int, PortalShortcutName> names) {
    if (!bus.isConnected())
        return nullptr;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalObject),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kShortcuts) << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kAnswerMs);
    if (reply.type() != QDBusMessage::ReplyMessage ||
        reply.arguments().value(0).value<QDBusVariant>().variant().toUInt() == 0)
        return nullptr;
    return std::make_unique<PortalHotKeys>(std::move(bus), std::move(names));
}

} // namespace lumbex

#include "portal_hot_keys.moc"
