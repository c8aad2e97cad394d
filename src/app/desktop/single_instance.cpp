#include "app/desktop/single_instance.h"

#include <QDataStream>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>

namespace lumbex {
namespace {

constexpr int kHandOverTimeoutMs = 1500;

QStringList absolute(const QStringList& args) {
    QStringList out;
    for (const QString& arg : args)
        out.append(arg.startsWith(u"--") ? arg : QFileInfo(arg).absoluteFilePath());
    return out;
}

// The rest of a reading request, once all of it has arrived; the answer goes back on the same
// socket. A request that is not valid closes the connection unanswered.
void serveReading(QLocalSocket& socket, QDataStream& stream,
                  const std::function<void(ReadingRequest, SingleInstance::ReadingAnswer)>& read) {
    qint64 size = -1;
    stream >> size;
    if (stream.status() != QDataStream::Ok) {
        stream.rollbackTransaction();
        return;
    }
    if (size < 0 || size > kMostReadingRequestBytes) {
        stream.abortTransaction();
        socket.disconnectFromServer();
        return;
    }
    // The body arrives in many pieces: decode it once, when all of it is there.
    if (socket.bytesAvailable() < size) {
        stream.rollbackTransaction();
        return;
    }
    std::optional<ReadingRequest> request = decodedReadingRequest(socket.read(size));
    stream.commitTransaction();
    if (!request) {
        socket.disconnectFromServer();
        return;
    }
    read(std::move(*request),
         [answering = QPointer<QLocalSocket>(&socket)](const QByteArray& answer) {
             if (answering) {
                 answering->write(answer);
                 answering->flush();
             }
         });
}

} // namespace

SingleInstance::SingleInstance() = default;

QString SingleInstance::socketName() {
    return instanceSocketName();
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

void SingleInstance::listen(std::function<void(const QStringList&)> received,
                            std::function<void(ReadingRequest, ReadingAnswer)> read,
                            ShortcutsHandler shortcuts) {
    // A socket left behind by a crashed instance would block listening.
    QLocalServer::removeServer(socketName());
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketName());
    connect(&server_, &QLocalServer::newConnection, this, [this, received, read, shortcuts] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket, received, read, shortcuts] {
                        QDataStream stream(socket);
                        stream.startTransaction();
                        QStringList args;
                        stream >> args;
                        if (read && args == QStringList{kReadingRequestWord})
                            return serveReading(*socket, stream, read);
                        if (!stream.commitTransaction())
                            return;
                        if (shortcuts.state && args.value(0) == kShortcutsRequestWord) {
                            // A request that is not well formed closes the connection unanswered.
                            if (const auto answer = answerShortcutsRequest(args, shortcuts)) {
                                socket->write(*answer);
                                socket->flush();
                            } else {
                                socket->disconnectFromServer();
                            }
                            return;
                        }
                        socket->write("ok");
                        socket->flush();
                        // Not from inside this signal: what the arguments open may run a modal
                        // dialog, during which the socket, disconnected by then, is deleted under
                        // this handler.
                        QMetaObject::invokeMethod(
                            this, [received, args] { received(args); }, Qt::QueuedConnection);
                    });
        }
    });
}

} // namespace lumbex
