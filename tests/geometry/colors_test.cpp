#include "geometry/colors.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(BackgroundColor, AcceptsOnlyNumberSignAndSixHexDigitsOfEitherCase) {
    EXPECT_EQ(backgroundColor(u"#aBcDeF"), QColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(backgroundColor(u"#FFFFFF")->alpha(), 255);
    for (const char* text : {"0561FA", "#0561FAFF", "#0561F", "#0561FG", "#+12345", "#0x1234", ""})
        EXPECT_FALSE(backgroundColor(QString::fromUtf8(text))) << text;
}

TEST(MarkColor, HexBeforeExactNamesAndEverythingElseIsTheDefaultBlue) {
    const std::pair<const char*, const char*> cases[] = {
        {"#0561fa", "#0561FA"},   {"#E8EDF5", "#E8EDF5"}, {"red", "#E82E38"},
        {"orange", "#F27A14"},    {"white", "#FFFFFF"},   {"black", "#000000"},
        {"blue", "#0561FA"},      {"Red", "#0561FA"},     {" red", "#0561FA"},
        {"#0561FAFF", "#0561FA"}, {"", "#0561FA"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(hex(markColor(QString::fromUtf8(text))), QString::fromUtf8(expected)) << text;
}

TEST(MarkColor, NamedColoursUseTheirExactComponents) {
    const QColor red = markColor(u"red");
    const QColor blue = defaultMarkColor();
    EXPECT_NEAR(red.redF(), 0.91, 1e-4);
    EXPECT_NEAR(red.greenF(), 0.18, 1e-4);
    EXPECT_NEAR(red.blueF(), 0.22, 1e-4);
    EXPECT_NEAR(blue.redF(), 0.02, 1e-4);
    EXPECT_NEAR(blue.greenF(), 0.38, 1e-4);
    EXPECT_NEAR(blue.blueF(), 0.98, 1e-4);
}

TEST(Hex, RoundsHalfAwayFromZeroAndAppendsAlphaOnlyWhenNotOpaque) {
    const std::pair<QColor, const char*> cases[] = {
        {QColor(0xab, 0xcd, 0xef), "#ABCDEF"},
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f), "#808080"},
        {QColor::fromRgbF(0.002f, 0.0019f, 1), "#0100FF"},
        {QColor::fromRgbF(1, 0, 0, 0.999f), "#FF0000"},
        {QColor::fromRgbF(0, 0, 0, 0.99f), "#000000FC"},
        {QColor::fromRgbF(0, 0, 0, 0), "#00000000"},
        {QColor::fromHsvF(0, 1, 1), "#FF0000"},
    };
    for (const auto& [color, expected] : cases)
        EXPECT_EQ(hex(color), QString::fromUtf8(expected)) << expected;
}

TEST(BadgeTextColor, PicksTheMoreContrastingOfWhiteAndBlack) {
    const std::pair<QColor, QColor> cases[] = {
        {defaultMarkColor(), Qt::white},
        {markColor(u"white"), Qt::black},
        {markColor(u"red"), Qt::black},
        {QColor(Qt::yellow), Qt::black},
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
