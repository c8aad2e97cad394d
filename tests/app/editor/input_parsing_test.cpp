#include "app/editor/input_parsing.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(InputParsing, NumbersAreClampedAndMayCarryAUnit) {
    struct Row {
        const char* text;
        input::NumberRange range;
        std::optional<double> expected;
    };
    const Row rows[] = {
        {"40", {1, 32}, 32},
        {"-5", {1, 32}, 1},
        {"12.5 px", {1, 32}, 12.5},
        {"35%", {0, 100}, 35},
        {"2×", {2, 8}, 2},
        {"", {1, 32}, std::nullopt},
        {"nan", {1, 32}, std::nullopt},
        {"3 apples", {1, 32}, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(input::parseNumber(QString::fromUtf8(row.text), row.range), row.expected)
            << row.text;
}

TEST(InputParsing, HexColorsAreNormalised) {
    struct Row {
        const char* text;
        std::optional<QString> expected;
    };
    const Row rows[] = {
        {"0561fa", QStringLiteral("#0561FA")},
        {" #0561FA ", QStringLiteral("#0561FA")},
        {"blue", std::nullopt},
        {"#12345", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(input::parseHexColor(QString::fromUtf8(row.text)), row.expected) << row.text;
}

} // namespace
} // namespace lumbex
