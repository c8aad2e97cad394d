#include "platform/portal_screenshot.h"

#include "core/error.h"

#include <QRandomGenerator>
#include <QUrl>

namespace lumbex {

ScreenSession screenSessionFor(const QProcessEnvironment& environment) {
    const QString forced = environment.value(QStringLiteral("LUMBEX_SCREEN"));
    if (forced == u"unavailable")
        return ScreenSession::Unavailable;
    if (forced == u"x11")
        return ScreenSession::X11;
    if (forced == u"portal")
        return ScreenSession::Portal;
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland" ||
                         !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    if (wayland)
        return ScreenSession::Portal;
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return ScreenSession::X11;
    return ScreenSession::Unavailable;
}

QString portalRequestPath(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName.startsWith(u':') ? uniqueName.mid(1) : uniqueName;
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + u'/' + token;
}

QString newHandleToken() {
    return QStringLiteral("lumbex_") +
           QString::number(QRandomGenerator::global()->generate64(), 16);
}

QString screenshotFile(uint response, const QVariantMap& results) {
    if (response == 1)
        throw LumbexError(QStringLiteral(
            "The screenshot was cancelled or not allowed. Try again, and let Lumbex take "
            "screenshots when your desktop asks."));
    if (response != 0)
        throw LumbexError(QStringLiteral(
            "The desktop portal could not take a screenshot. Check that the portal backend for "
            "your desktop (xdg-desktop-portal-wlr, -gnome or -kde) is installed and running; the "
            "wlroots one needs grim and must be able to write /tmp/out.png. Then try again."));
    const QVariant uri = results.value(QStringLiteral("uri"));
    const QUrl url(uri.toString(), QUrl::StrictMode);
    const bool local = uri.typeId() == QMetaType::QString && url.isValid() &&
                       url.scheme() == u"file" &&
                       (url.host().isEmpty() || url.host() == u"localhost") && !url.hasQuery() &&
                       !url.hasFragment();
    // The path itself: toLocalFile() would turn "file://localhost/x" into "//localhost/x".
    const QString path = local ? url.path(QUrl::FullyDecoded) : QString();
    if (!path.startsWith(u'/') || path.endsWith(u'/'))
        throw LumbexError(QStringLiteral("The desktop portal took a screenshot but gave no file "
                                         "Lumbex can read. Try again."));
    return path;
}

QSize pngSize(const QByteArray& head) {
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR")
        return {};
    const auto number = [&](int at) {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | quint8(head[at + i]);
        return value;
    };
    const quint32 width = number(16);
    const quint32 height = number(20);
    // PNG allows up to 2^31 - 1 on each side; nothing near that is a screen.
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return {};
    return QSize(int(width), int(height));
}

qint64 largestPngBytes(QSize size) {
    const qint64 rowBytes = 1 + 4 * qint64(size.width()); // filter byte and RGBA pixels
    const qint64 raw = rowBytes * size.height();
    // Stored deflate blocks carry 5 bytes per 65535; chunks are split at least every 8 KiB by
    // common writers; metadata chunks get a megabyte.
    return raw + raw / 65535 * 5 + raw / 8192 * 12 + (1 << 20);
}

QString windowCaptureNeedsX11() {
    return QStringLiteral(
        "Capturing a window needs an X11 session: window ids are an X11 notion, and Wayland does "
        "not let Lumbex list or read other applications’ windows. Capture the display or an area "
        "instead, or log in with an X11 session (“on Xorg”).");
}

QString recordingNeedsX11() {
    return QStringLiteral(
        "Recording the screen on Wayland needs the desktop portal’s screen sharing, which this "
        "desktop does not offer. Install the portal backend for your desktop "
        "(xdg-desktop-portal-wlr for sway and other wlroots desktops, xdg-desktop-portal-gnome "
        "or xdg-desktop-portal-kde) and log in again, or record in an X11 session (“on Xorg”).");
}

} // namespace lumbex
