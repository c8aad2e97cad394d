#pragma once

#include <QJsonDocument>
#include <QString>
#include <optional>
#include <utility>

namespace lumbex {

// The local REST API of a running Syncthing: plain HTTP on a loopback address with the API key
// of its configuration. Blocking, with a timeout; usable from any thread (one call at a time per
// object). Each call throws LumbexError ("Syncthing is not answering. Start it, then retry.")
// when the client cannot be reached or answers with an error.
class SyncthingApi {
public:
    // `address` is "127.0.0.1:8384" (host and port, as the configuration's GUI address).
    SyncthingApi(QString address, QString apiKey, int timeoutMs = 5000);

    // GET of a path with its query ("/rest/system/status"), answered as JSON. Query values must
    // already be percent-encoded.
    QJsonDocument get(const QString& pathAndQuery) const;
    // The same, answering none for "404 Not Found" (a file Syncthing does not know).
    std::optional<QJsonDocument> find(const QString& pathAndQuery) const;
    // POST without a body ("/rest/db/scan?folder=ID"); the answer is dropped.
    void post(const QString& pathAndQuery) const;
    // Whether the API answers at all.
    bool answers() const;

private:
    // The status code and the body.
    std::pair<int, QByteArray> request(const QByteArray& method, const QString& pathAndQuery) const;

    QString host_;
    quint16 port_ = 0;
    QString apiKey_;
    int timeoutMs_;
};

} // namespace lumbex
