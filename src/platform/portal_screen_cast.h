#pragma once

#include <QDBusConnection>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <vector>

namespace lumbex {

// Screen recording in a Wayland session through the desktop portal's ScreenCast interface: the
// portal (and the person, through its chooser) grants a monitor or a window, then PipeWire
// delivers its pictures.

// What the portal's ScreenCast interface offers, read from its properties.
struct ScreenCastOffer {
    uint version = 0;
    uint sourceTypes = 0; // bits: 1 monitor, 2 window, 4 virtual
    uint cursorModes = 0; // bits: 1 hidden, 2 embedded, 4 metadata
};

inline constexpr uint kScreenCastMonitor = 1;
inline constexpr uint kScreenCastWindow = 2;
inline constexpr uint kScreenCastCursorHidden = 1;
inline constexpr uint kScreenCastCursorEmbedded = 2;

// The interface's properties on `bus`, or nothing when no portal answers or it has no ScreenCast
// interface. Waits a few seconds at most.
std::optional<ScreenCastOffer> screenCastOffer(QDBusConnection bus);

// One stream the portal granted.
struct ScreenCastStream {
    quint32 node = 0;               // the PipeWire node that delivers its pictures
    std::optional<QPoint> position; // top left on the desktop (logical pixels), when told
    std::optional<QSize> size;      // logical pixels, when told
    uint sourceType = 0;            // kScreenCastMonitor, kScreenCastWindow…; 0 when not told

    friend bool operator==(const ScreenCastStream&, const ScreenCastStream&) = default;
};

// What a successful Start answered.
struct ScreenCastGrant {
    std::vector<ScreenCastStream> streams;
    QString restoreToken; // empty when the portal gave none
};

// Reads Start's Response. `results["streams"]` is the D-Bus a(ua{sv}) either as the bus delivers
// it (a QDBusArgument) or already unpacked as a list of [node, properties] lists, whose
// "position" and "size" are [x, y] and [width, height] lists. Throws LumbexError: the person's
// cancellation (1, with ECANCELED), the portal's failure (2), and an answer of the wrong shape.
ScreenCastGrant parseScreenCastStart(uint response, const QVariantMap& results);

// What a recording asks the portal for.
struct ScreenCastRequest {
    uint sourceType = kScreenCastMonitor;
    bool cursor = true;   // draw the pointer into the pictures, where the portal can
    QString restoreToken; // the grant of an earlier run, so that the person chooses once
    // Ask the portal to keep the grant for later runs (from version 4); off, it asks every time.
    bool persist = true;
};

// One ScreenCast session, from the portal's grant to the PipeWire connection: CreateSession,
// SelectSources (one source, kept across runs by its restore token), Start, OpenPipeWireRemote.
// Runs local event loops while the portal answers; the chooser the portal shows may keep it
// waiting for the person. The session closes when the object goes.
class ScreenCastSession {
public:
    // Throws LumbexError with what the person can do.
    ScreenCastSession(QDBusConnection bus, const ScreenCastOffer& offer,
                      const ScreenCastRequest& request);
    ~ScreenCastSession();
    ScreenCastSession(const ScreenCastSession&) = delete;
    ScreenCastSession& operator=(const ScreenCastSession&) = delete;

    const ScreenCastStream& stream() const { return stream_; }
    // The token to keep for the next run (the one given, when the portal issued none).
    const QString& restoreToken() const { return restoreToken_; }
    // The PipeWire connection's file descriptor, handed over once; -1 after.
    int takePipeWireFd();

private:
    QVariantMap request(const QString& method, QList<QVariant> arguments, QVariantMap options,
                        int answerMs);
    void close();

    QDBusConnection bus_;
    QString session_;
    ScreenCastStream stream_;
    QString restoreToken_;
    int fd_ = -1;
};

} // namespace lumbex
