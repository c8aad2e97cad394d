#pragma once

#include <QString>
#include <array>
#include <optional>
#include <utility>

namespace lumbex {

// The stored string form of an enumeration: every kind of record is written by its raw value,
// never by its ordinal, so reordering an enum cannot change a file.
template <class Enum, size_t Count> class RawValues {
public:
    constexpr explicit RawValues(std::array<std::pair<Enum, const char16_t*>, Count> table)
        : table_(table) {}

    QString raw(Enum value) const {
        for (const auto& [v, name] : table_)
            if (v == value)
                return QString::fromUtf16(name);
        return {};
    }
    std::optional<Enum> parse(QStringView raw) const {
        for (const auto& [v, name] : table_)
            if (raw == QStringView(name))
                return v;
        return std::nullopt;
    }

private:
    std::array<std::pair<Enum, const char16_t*>, Count> table_;
};

} // namespace lumbex
