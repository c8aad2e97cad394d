#include "geometry/colors.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(BackgroundColor, AcceptsOnlyNumberSignAndSixHexDigitsOfEitherCase) {
    EXPECT_EQ(backgroundColor(u"#aBcDeF"), QColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(backgroundColor(u"#FFFFFF")->alpha(), 255);
    for (const char* text : {"0561FA", "#0561FAFF", "#0561F", "#0561FG", "#+12345"})
        EXPECT_FALSE(backgroundColor(QString::fromUtf8(text))) << text;
}

TEST(MarkColor, HexBeforeExactNamesAndEverythingElseIsTheDefaultBlue) {
    const std::pair<const char*, const char*> cases[] = {
        {"#e8edf5", "#E8EDF5"}, {"red", "#E82E38"},       {"white", "#FFFFFF"},
        {"Red", "#0561FA"},     {"#0561FAFF", "#0561FA"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(hex(markColor(QString::fromUtf8(text))), QString::fromUtf8(expected)) << text;
}

TEST(Hex, RoundsHalfAwayFromZeroAndAppendsAlphaOnlyWhenNotOpaque) {
    const std::pair<QColor, const char*> cases[] = {
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f), "#808080"},
        {QColor::fromRgbF(0.002f, 0.0019f, 1), "#0100FF"},
        {QColor::fromRgbF(1, 0, 0, 0.999f), "#FF0000"},
        {QColor::fromRgbF(0, 0, 0, 0.99f), "#000000FC"},
    };
    for (const auto& [color, expected] : cases)
        EXPECT_EQ(hex(color), QString::fromUtf8(expected)) << expected;
}

TEST(BadgeTextColor, PicksTheMoreContrastingOfWhiteAndBlack) {
    const std::pair<QColor, QColor> cases[] = {
        {defaultMarkColor(), Qt::white},
        {markColor(u"white"), Qt::black},
        // Luminance 0.171 and 0.214 lie either side of the crossing point near 0.179.
        {QColor::fromRgbF(0.45f, 0.45f, 0.45f), Qt::white},
        {QColor::fromRgbF(0.5f, 0.5f, 0.5f), Qt::black},
    };
    for (const auto& [fill, expected] : cases)
        EXPECT_EQ(badgeTextColor(fill), expected) << hex(fill).toStdString();
}

} // namespace
} // namespace lumbex
