#include "recognition/recognition_result.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A line whose vertical centre is `midY`; all values are fractions of the image.
RecognizedLine line(const QString& text, double x, double midY, double width,
                    double height = 0.02) {
    return {text, {x, midY - height / 2, width, height}};
}

QString text(std::vector<RecognizedLine> lines, bool codeLayout) {
    return RecognitionResult{std::move(lines), {}}.text(codeLayout);
}

struct LayoutCase {
    const char* name;
    std::vector<RecognizedLine> lines;
    QString plain;
    QString code;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, BuildsTheTextOfBothLayouts) {
    EXPECT_EQ(text(GetParam().lines, false), GetParam().plain);
    EXPECT_EQ(text(GetParam().lines, true), GetParam().code);
}

// Unless a case says otherwise, one character is 0.01 wide.
INSTANTIATE_TEST_SUITE_P(
    Lines, LayoutTest,
    ::testing::Values(
        LayoutCase{"NoLines", {}, "", ""},
        LayoutCase{"OnlyEmptyTexts", {line("", 0.1, 0.1, 0.1), line("", 0.1, 0.3, 0.1)}, "", ""},
        LayoutCase{"EmptyTextsAreDropped",
                   {line("", 0, 0.1, 0.5), line("ab", 0.2, 0.1, 0.02)},
                   "ab",
                   "ab"},
        LayoutCase{"CentresCloserThanTheRowRuleShareARow",
                   {line("a", 0.1, 0.100, 0.01), line("b", 0.3, 0.108, 0.01)},
                   "a b",
                   "a" + QString(19, u' ') + "b"},
        LayoutCase{"CentresAtTheRowRuleStartNewRows",
                   {line("a", 0.1, 0.100, 0.01), line("b", 0.3, 0.110, 0.01)},
                   "a\nb",
                   "a\n" + QString(20, u' ') + "b"},
        LayoutCase{"RowsFromTheTopAndPiecesFromTheLeft",
                   {line("second", 0.1, 0.3, 0.06), line("world", 0.5, 0.1, 0.05),
                    line("hello", 0.1, 0.101, 0.05)},
                   "hello world\nsecond",
                   "hello" + QString(35, u' ') + "world\nsecond"},
        LayoutCase{"IndentationKeptInCodeLayoutOnly",
                   {line("int f() {", 0.1, 0.1, 0.09), line("return 1;", 0.14, 0.2, 0.09),
                    line("}", 0.1, 0.3, 0.01)},
                   "int f() {\nreturn 1;\n}",
                   "int f() {\n    return 1;\n}"},
        LayoutCase{"OverlappingPiecesGetOneSpace",
                   {line("ab", 0.1, 0.1, 0.02), line("cd", 0.11, 0.1, 0.02)},
                   "ab cd",
                   "ab cd"},
        LayoutCase{
            "GapsAndIndentationAreClampedTo80Spaces",
            {line("a", 0.0, 0.1, 0.001), line("b", 0.9, 0.1, 0.001), line("c", 0.5, 0.5, 0.001)},
            "a b\nc",
            "a" + QString(80, u' ') + "b\n" + QString(80, u' ') + "c"},
        // 1/16 per character: gaps of exactly 2.5 and 0.5 characters.
        LayoutCase{"HalvesRoundAwayFromZero",
                   {line("ab", 0.0, 0.1, 0.125), line("cd", 0.28125, 0.1, 0.125),
                    line("ef", 0.03125, 0.5, 0.125)},
                   "ab cd\nef",
                   "ab   cd\n ef"},
        // Widths per character 0.01 and 0.03: the element at count ÷ 2 is the larger one.
        LayoutCase{"CharacterWidthIsTheUpperMedian",
                   {line("aa", 0.0, 0.1, 0.02), line("b", 0.11, 0.1, 0.03)},
                   "aa b",
                   "aa   b"},
        // Two user-perceived characters of two code units each: 0.01 per character.
        LayoutCase{"CharactersAreCountedAsPerceived",
                   {line(QString::fromUtf8("e\u0301e\u0301"), 0.0, 0.1, 0.02),
                    line(QString::fromUtf8("e\u0301e\u0301"), 0.05, 0.1, 0.02),
                    line("x", 0.0, 0.3, 0.01)},
                   QString::fromUtf8("e\u0301e\u0301 e\u0301e\u0301\nx"),
                   QString::fromUtf8("e\u0301e\u0301   e\u0301e\u0301\nx")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutOrderTest, EqualPositionsKeepTheOrderProduced) {
    const std::vector<RecognizedLine> lines = {line("first", 0.1, 0.1, 0.05),
                                               line("second", 0.1, 0.1, 0.06)};
    EXPECT_EQ(text(lines, false), "first second");
}

TEST(LayoutOrderTest, CodesAreNotPartOfTheText) {
    EXPECT_EQ((RecognitionResult{{}, {QStringLiteral("https://example.org")}}.text(false)), "");
}

} // namespace
} // namespace lumbex
