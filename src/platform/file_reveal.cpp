#include "platform/file_reveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace lumbex {
namespace {

constexpr char kService[] = "org.freedesktop.FileManager1";

bool showItemsOverDBus(const QStringList& paths) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kService);
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    const bool available = (registered.isValid() && registered.value()) ||
                           (activatable.isValid() && activatable.value().contains(kService));
    if (!available)
        return false;
    QStringList uris;
    for (const QString& path : paths)
        uris.append(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString());
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                       kService, QStringLiteral("ShowItems"));
    call << uris << QString();
    return bus.send(call);
}

} // namespace

bool revealFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return false;
    if (showItemsOverDBus(paths))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(paths.first()).absolutePath()));
}

} // namespace lumbex
