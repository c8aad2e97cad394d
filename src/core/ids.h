#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace lumbex {

// Identifiers are UUIDs written in the upper-case 8-4-4-4-12 form everywhere they leave memory
// (JSON, file names, settings keys). QUuid's own text form is lower case with braces.
using Id = QUuid;

Id newId();
QString idString(const Id& id);
// Accepts exactly 36 characters of 8-4-4-4-12 hexadecimal digits, in either case; nothing else.
std::optional<Id> parseId(QStringView text);

} // namespace lumbex
