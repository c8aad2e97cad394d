#pragma once

#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QVariantMap>

namespace lumbex {

// The pure parts of taking a screenshot through the desktop portal
// (org.freedesktop.portal.Screenshot), kept apart from the bus so that they can be tested
// without one.

// Which screen reader a session gets, decided once at start-up.
enum class ScreenSession {
    X11,        // an X server that shows the whole desktop
    Portal,     // a Wayland session: screenshots through the desktop portal
    Unavailable // neither
};

// X11 when DISPLAY is set and the session is not Wayland (under Wayland, DISPLAY names Xwayland,
// which sees only its own clients); the portal in a Wayland session (XDG_SESSION_TYPE=wayland or
// WAYLAND_DISPLAY set); otherwise nothing. LUMBEX_SCREEN=unavailable, x11 or portal overrides.
ScreenSession screenSessionFor(const QProcessEnvironment& environment);

// The object path the portal gives the request of the connection `uniqueName` (":1.42") made
// with `token`, known before the call so that the answer cannot arrive unheard.
QString portalRequestPath(const QString& uniqueName, const QString& token);

// A handle token: letters, digits and underscores only, as the portal requires, and new for
// every request.
QString newHandleToken();

// The local file of a Response signal's results: code 0 with a "uri" that is an absolute
// file:// URL on this computer. Throws LumbexError with what the user can do for a cancelled or
// refused screenshot (1), a failed one (2) or an answer without a usable file.
QString screenshotFile(uint response, const QVariantMap& results);

// The pixel size in a PNG's header (its first 24 bytes: signature, then the IHDR chunk), or an
// empty size when the bytes are not the start of a PNG.
QSize pngSize(const QByteArray& head);

// The most bytes a PNG of `size` can take when stored without compression (with every row
// filtered, and the zlib and chunk framing), so that a larger file is refused before it is read.
qint64 largestPngBytes(QSize size);

// The messages shared by every path that cannot work on Wayland.
QString windowCaptureNeedsX11();
QString recordingNeedsX11();

} // namespace lumbex
