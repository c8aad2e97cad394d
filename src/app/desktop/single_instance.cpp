#include "app/desktop/single_instance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr int kHandOverTimeoutMs = 1500;

QStringList absolute(const QStringList& args) {
    QStringList out;
    for (const QString& arg : args)
        out.append(arg.startsWith(u"--") ? arg : QFileInfo(arg).absoluteFilePath());
    return out;
}

} // namespace

SingleInstance::SingleInstance() = default;

QString SingleInstance::socketName() {
    const QByteArray identity =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toUtf8() + '|' +
        qgetenv("DISPLAY") + '|' + QByteArray::number(::getuid());
    return QStringLiteral("lumbex-") +
           QString::fromLatin1(
               QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
}

bool SingleInstance::handOver(const QStringList& args) {
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(kHandOverTimeoutMs))
        return false;
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << absolute(args);
    socket.write(message);
    socket.flush();
    // The running instance answers once it has read everything.
    return socket.waitForReadyRead(kHandOverTimeoutMs);
}

void SingleInstance::listen(std::function<void(const QStringList&)> received) {
    // A socket left behind by a crashed instance would block listening.
    QLocalServer::removeServer(socketName());
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketName());
    connect(&server_, &QLocalServer::newConnection, this, [this, received] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [socket, received] {
                QDataStream stream(socket);
                stream.startTransaction();
                QStringList args;
                stream >> args;
                if (!stream.commitTransaction())
                    return;
                socket->write("ok");
                socket->flush();
                received(args);
            });
        }
    });
}

} // namespace lumbex
