#include "core/json_write.h"

#include <QJsonDocument>

namespace lumbex {

QJsonValue jsonId(const Id& id) {
    return idString(id);
}

QJsonArray jsonPoint(Point point) {
    return {point.x, point.y};
}

QJsonArray jsonRect(const Rect& rect) {
    return {QJsonArray{rect.x, rect.y}, QJsonArray{rect.width, rect.height}};
}

QByteArray encodePretty(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray encodeCompact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace lumbex
