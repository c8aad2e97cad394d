#include "geometry/colors.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>

namespace lumbex {
namespace {

struct BackgroundCase {
    const char* text;
    std::optional<std::array<int, 3>> expected;
};

TEST(BackgroundColor, AcceptsOnlyNumberSignAndSixHexDigits) {
    const BackgroundCase cases[] = {
        {"#0561FA", std::array{0x05, 0x61, 0xFA}},
        {"#0561fa", std::array{0x05, 0x61, 0xFA}},
        {"#aBcDeF", std::array{0xAB, 0xCD, 0xEF}},
        {"#000000", std::array{0, 0, 0}},
        {"#FFFFFF", std::array{255, 255, 255}},
        {"0561FA", std::nullopt},
        {"#0561FAFF", std::nullopt},
        {"#0561F", std::nullopt},
        {"#0561FG", std::nullopt},
        {" #0561F", std::nullopt},
        {"#+12345", std::nullopt},
        {"#-12345", std::nullopt},
        {"#0x1234", std::nullopt},
        {"red", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto color = backgroundColor(QString::fromUtf8(c.text));
        ASSERT_EQ(color.has_value(), c.expected.has_value());
        if (!color)
            continue;
        EXPECT_EQ(color->red(), (*c.expected)[0]);
        EXPECT_EQ(color->green(), (*c.expected)[1]);
        EXPECT_EQ(color->blue(), (*c.expected)[2]);
        EXPECT_EQ(color->alpha(), 255);
    }
}

TEST(MarkColor, HexBeforeNamesAndEverythingElseIsTheDefaultBlue) {
    const std::pair<const char*, const char*> cases[] = {
        {"#0561fa", "#0561FA"}, {"#E8EDF5", "#E8EDF5"}, {"red", "#E82E38"},
        {"orange", "#F27A14"},  {"white", "#FFFFFF"},   {"black", "#000000"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(hex(markColor(QString::fromUtf8(text))), QString::fromUtf8(expected)) << text;
}

TEST(MarkColor, NamedColoursUseTheirExactComponents) {
    const QColor red = markColor(u"red");
    EXPECT_NEAR(red.redF(), 0.91, 1e-4);
    EXPECT_NEAR(red.greenF(), 0.18, 1e-4);
    EXPECT_NEAR(red.blueF(), 0.22, 1e-4);
    const QColor blue = defaultMarkColor();
    EXPECT_NEAR(blue.redF(), 0.02, 1e-4);
    EXPECT_NEAR(blue.greenF(), 0.38, 1e-4);
    EXPECT_NEAR(blue.blueF(), 0.98, 1e-4);
    EXPECT_EQ(hex(blue), "#0561FA");
}

TEST(MarkColor, UpperAndLowerCaseHexGiveTheSameColour) {
    EXPECT_EQ(markColor(u"#0561fa"), markColor(u"#0561FA"));
    EXPECT_EQ(markColor(u"#abcdef"), markColor(u"#ABCDEF"));
}

TEST(MarkColor, UnrecognisedStringsFallBackToTheDefaultBlue) {
    for (const char* text : {"blue", "0561FA", "#0561FAFF", "Red", "ORANGE", " red", "green", ""})
        EXPECT_EQ(markColor(QString::fromUtf8(text)), defaultMarkColor()) << text;
}

TEST(Hex, RoundsHalfAwayFromZeroAndAppendsAlphaOnlyWhenNotOpaque) {
    const std::pair<QColor, const char*> cases[] = {
        {QColor(0x05, 0x61, 0xFA), "#0561FA"},
        {QColor(0xab, 0xcd, 0xef), "#ABCDEF"},
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f), "#808080"},
        {QColor::fromRgbF(0.002f, 0.0019f, 1), "#0100FF"},
        {QColor::fromRgbF(1, 0, 0, 0.5f), "#FF000080"},
        {QColor::fromRgbF(1, 0, 0, 0.999f), "#FF0000"},
        {QColor::fromRgbF(0, 0, 0, 0.99f), "#000000FC"},
        {QColor::fromRgbF(0, 0, 0, 0), "#00000000"},
        {QColor::fromHsvF(0, 1, 1), "#FF0000"},
        {QColor::fromCmykF(0, 0, 0, 1), "#000000"},
    };
    for (const auto& [color, expected] : cases)
        EXPECT_EQ(hex(color), QString::fromUtf8(expected)) << expected;
}

TEST(Hex, TranslucentColoursAreNotReadBackAsBackgroundColours) {
    const QString text = hex(QColor(0x12, 0x34, 0x56, 0x78));
    EXPECT_EQ(text, "#12345678");
    EXPECT_FALSE(backgroundColor(text));
    EXPECT_EQ(markColor(text), defaultMarkColor());
}

TEST(Hex, OpaqueHexStringsRoundTrip) {
    for (const char* text : {"#0561FA", "#E8EDF5", "#000000", "#FFFFFF", "#7F8081"})
        EXPECT_EQ(hex(*backgroundColor(QString::fromUtf8(text))), QString::fromUtf8(text));
}

TEST(BadgeTextColor, PicksTheMoreContrastingOfWhiteAndBlack) {
    const std::pair<QColor, QColor> cases[] = {
        {defaultMarkColor(), Qt::white},
        {markColor(u"white"), Qt::black},
        {markColor(u"black"), Qt::white},
        {markColor(u"red"), Qt::black},
        {markColor(u"orange"), Qt::black},
        {QColor(Qt::yellow), Qt::black},
        {QColor::fromHsv(60, 255, 255), Qt::black},
        {QColor(0x1A, 0x23, 0x7E), Qt::white},
        // Luminance 0.171 and 0.214 lie either side of the crossing point near 0.179.
        {QColor::fromRgbF(0.45f, 0.45f, 0.45f), Qt::white},
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f), Qt::black},
        {QColor(), Qt::white},
    };
    for (const auto& [fill, expected] : cases)
        EXPECT_EQ(badgeTextColor(fill), expected) << hex(fill).toStdString();
}

} // namespace
} // namespace lumbex
