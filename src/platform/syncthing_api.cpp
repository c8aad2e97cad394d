#include "platform/syncthing_api.h"

#include "core/error.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QUrl>

namespace lumbex {
namespace {

LumbexError notAnswering() {
    return LumbexError(QStringLiteral("Syncthing is not answering. Start it, then retry."));
}

} // namespace

SyncthingApi::SyncthingApi(QString address, QString apiKey, int timeoutMs)
    : apiKey_(std::move(apiKey)), timeoutMs_(timeoutMs) {
    const QUrl url(QStringLiteral("http://") + address);
    host_ = url.host();
    port_ = quint16(url.port(0));
}

std::pair<int, QByteArray> SyncthingApi::request(const QByteArray& method,
                                                 const QString& pathAndQuery) const {
    if (host_.isEmpty() || port_ == 0)
        throw notAnswering();
    QTcpSocket socket;
    const QDeadlineTimer deadline(timeoutMs_);
    socket.connectToHost(host_, port_);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        throw notAnswering();
    // HTTP/1.0: the answer ends when the connection closes, never in chunks.
    socket.write(method + ' ' + pathAndQuery.toUtf8() + " HTTP/1.0\r\nHost: " + host_.toUtf8() +
                 "\r\nX-API-Key: " + apiKey_.toUtf8() + "\r\nContent-Length: 0\r\n\r\n");
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState || socket.bytesAvailable() > 0) {
        if (deadline.hasExpired())
            throw notAnswering();
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        answer += socket.readAll();
        if (answer.size() > 64 * 1024 * 1024)
            throw notAnswering();
    }
    answer += socket.readAll();
    const qsizetype headerEnd = answer.indexOf("\r\n\r\n");
    bool ok = false;
    const int status = answer.mid(9, 3).toInt(&ok);
    if (headerEnd < 0 || !answer.startsWith("HTTP/1.") || !ok)
        throw notAnswering();
    return {status, answer.mid(headerEnd + 4)};
}

std::optional<QJsonDocument> SyncthingApi::find(const QString& pathAndQuery) const {
    const auto [status, body] = request("GET", pathAndQuery);
    if (status == 404)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (status != 200 || error.error != QJsonParseError::NoError)
        throw notAnswering();
    return document;
}

QJsonDocument SyncthingApi::get(const QString& pathAndQuery) const {
    const std::optional<QJsonDocument> document = find(pathAndQuery);
    if (!document)
        throw notAnswering();
    return *document;
}

void SyncthingApi::post(const QString& pathAndQuery) const {
    if (request("POST", pathAndQuery).first != 200)
        throw notAnswering();
}

bool SyncthingApi::answers() const {
    try {
        get(QStringLiteral("/rest/system/ping"));
        return true;
    } catch (const LumbexError&) {
        return false;
    }
}

} // namespace lumbex
