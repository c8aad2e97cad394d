#pragma once

#include "core/ids.h"
#include "core/rect.h"

#include <QJsonArray>
#include <QJsonObject>
#include <optional>

namespace lumbex {

// Value conventions of every stored JSON file: UUIDs upper case, points [x, y], rectangles
// [[x, y], [width, height]], keys in ascending order (QJsonObject keeps them sorted).
QJsonValue jsonId(const Id& id);
QJsonArray jsonPoint(Point point);
QJsonArray jsonRect(const Rect& rect);

// Optional fields are written by leaving the key out.
template <class T, class Encode>
void insertOptional(QJsonObject& object, const QString& key, const std::optional<T>& value,
                    Encode encode) {
    if (value)
        object.insert(key, encode(*value));
}

QByteArray encodePretty(const QJsonObject& object);
QByteArray encodeCompact(const QJsonObject& object);

} // namespace lumbex
