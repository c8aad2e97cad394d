#include "app/shortcuts_handover.h"

#include "app/reading_handover.h"
#include "core/error.h"

#include <QDataStream>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

namespace lumbex {
namespace {

constexpr int kConnectTimeoutMs = 1500;
// Registering keys is a round trip to the X server; a modal dialog may hold the answer a little.
constexpr int kAnswerTimeoutMs = 10000;

const QString kShow = QStringLiteral("show");
const QString kSet = QStringLiteral("set");
const QString kVoice = QStringLiteral("voice");

QString text(const QByteArray& utf8) {
    return QString::fromUtf8(utf8);
}

std::optional<CaptureShortcut> shortcutFrom(const QString& json) {
    if (json.isEmpty())
        return std::nullopt;
    return decodeShortcut(json.toUtf8());
}

QJsonObject encodedState(const ShortcutsState& state) {
    return {{"explain", text(encodeShortcut(state.pair.explain))},
            {"quick", text(encodeShortcut(state.pair.quick))},
            {"enabled", state.enabled},
            {"voice", state.voice ? text(encodeShortcut(*state.voice)) : QString()},
            {"statuses", QJsonArray::fromStringList(state.statuses)}};
}

ShortcutsState decodedState(const QJsonObject& object) {
    ShortcutsState state;
    state.pair = {decodeShortcut(object.value("explain").toString().toUtf8()),
                  decodeShortcut(object.value("quick").toString().toUtf8())};
    state.enabled = object.value("enabled").toBool(true);
    state.voice = shortcutFrom(object.value("voice").toString());
    for (const QJsonValue& status : object.value("statuses").toArray())
        state.statuses.append(status.toString());
    return state;
}

QByteArray framed(const QJsonObject& object) {
    QByteArray answer;
    QDataStream stream(&answer, QIODevice::WriteOnly);
    stream << QJsonDocument(object).toJson(QJsonDocument::Compact);
    return answer;
}

} // namespace

QStringList showShortcutsRequest() {
    return {kShortcutsRequestWord, kShow};
}

QStringList setCaptureShortcutsRequest(const CaptureShortcutPair& pair, bool enabled) {
    return {kShortcutsRequestWord, kSet, text(encodeShortcutPair(pair)),
            enabled ? QStringLiteral("on") : QStringLiteral("off")};
}

QStringList setVoiceShortcutRequest(const std::optional<CaptureShortcut>& voice) {
    return {kShortcutsRequestWord, kVoice, voice ? text(encodeShortcut(*voice)) : QString()};
}

std::optional<QByteArray> answerShortcutsRequest(const QStringList& request,
                                                 const ShortcutsHandler& handler) {
    if (request.value(0) != kShortcutsRequestWord)
        return std::nullopt;
    try {
        const QString& kind = request.value(1);
        if (kind == kSet && request.size() == 4 && (request[3] == u"on" || request[3] == u"off"))
            handler.applyCapture(decodeShortcutPair(request[2].toUtf8()), request[3] == u"on");
        else if (kind == kVoice && request.size() == 3)
            handler.applyVoice(shortcutFrom(request[2]));
        else if (kind != kShow || request.size() != 2)
            return std::nullopt;
    } catch (const LumbexError& e) {
        return framed({{"error", e.message()}});
    }
    return framed({{"state", encodedState(handler.state())}});
}

std::optional<ShortcutsState> askRunningShortcuts(const QStringList& request) {
    QLocalSocket socket;
    socket.connectToServer(instanceSocketName());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << request;
    socket.write(message);
    if (!socket.waitForBytesWritten(kConnectTimeoutMs))
        return std::nullopt;
    QDataStream in(&socket);
    while (socket.waitForReadyRead(kAnswerTimeoutMs)) {
        in.startTransaction();
        QByteArray json;
        in >> json;
        if (!in.commitTransaction())
            continue;
        const QJsonObject answer = QJsonDocument::fromJson(json).object();
        if (answer.contains("error"))
            throw LumbexError(answer.value("error").toString());
        try {
            return decodedState(answer.value("state").toObject());
        } catch (const LumbexError&) {
            break;
        }
    }
    throw LumbexError(QStringLiteral("Lumbex is running but did not answer. Try again."));
}

} // namespace lumbex
