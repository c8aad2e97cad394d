#include "records/media.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(Media, ExtentAndVisibleRectFollowTheCrop) {
    Media image;
    image.width = 640;
    image.height = 480;
    EXPECT_EQ(image.extent(), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(image.visibleRect(), image.extent());

    image.crop = Rect{10, 20, 30, 40};
    EXPECT_EQ(image.extent(), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(image.visibleRect(), (Rect{10, 20, 30, 40}));
}

TEST(Media, FilenameIsTheUpperCaseIdWithPngExtension) {
    Media image;
    image.id = *parseId(u"0f8e2b3a-4c5d-4e6f-8a9b-0c1d2e3f4a5b");
    EXPECT_EQ(image.filename().toStdString(), "0F8E2B3A-4C5D-4E6F-8A9B-0C1D2E3F4A5B.png");
}

TEST(Media, RoleRawValuesAreTheShownLabels) {
    const std::pair<MediaRole, const char*> rows[] = {
        {MediaRole::Current, "Current"},
        {MediaRole::Reference, "Reference"},
        {MediaRole::After, "After"},
    };
    for (const auto& [role, raw] : rows) {
        EXPECT_EQ(rawValue(role).toStdString(), raw);
        EXPECT_EQ(mediaRoleFromRaw(QString::fromUtf8(raw)), role);
    }
    for (const char* unknown : {"current", "", "Before"})
        EXPECT_EQ(mediaRoleFromRaw(QString::fromUtf8(unknown)), std::nullopt) << unknown;
}

TEST(ImageBackground, NewBackgroundAndStyleRawValues) {
    const ImageBackground background;
    EXPECT_EQ(background.style, BackgroundStyle::Solid);
    EXPECT_EQ(background.color.toStdString(), "#E8EDF5");
    EXPECT_EQ(background.secondaryColor.toStdString(), "#B6C9EF");
    EXPECT_EQ(background.padding, 64);
    EXPECT_EQ(background.cornerRadius, 16);
    EXPECT_TRUE(background.shadow);

    EXPECT_EQ(rawValue(BackgroundStyle::Solid).toStdString(), "solid");
    EXPECT_EQ(rawValue(BackgroundStyle::Gradient).toStdString(), "gradient");
    EXPECT_EQ(backgroundStyleFromRaw(u"gradient"), BackgroundStyle::Gradient);
    EXPECT_EQ(backgroundStyleFromRaw(u"solid"), BackgroundStyle::Solid);
    EXPECT_EQ(backgroundStyleFromRaw(u"Solid"), std::nullopt);
}

} // namespace
} // namespace lumbex
