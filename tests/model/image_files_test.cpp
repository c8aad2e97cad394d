#include "core/ids.h"
#include "model/image_files.h"
#include "model/note_fixtures.h"
#include "support/crafted_images.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::bigEndian;
using test::craftedPng;
using test::thrownMessage;

constexpr char kUnreadable[] = "The image could not be read, or exceeds 120 megapixels.";

QByteArray written(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format, quality);
    return bytes;
}

QImage noise(int width, int height, QImage::Format format, quint32 seed) {
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    return image.convertToFormat(format);
}

// An EXIF segment holding only an orientation tag, placed right after the JPEG start marker.
QByteArray withOrientation(QByteArray jpeg, quint16 orientation) {
    const QByteArray tiff = QByteArray("MM\0\x2a", 4) + bigEndian<quint32>(8) +
                            bigEndian<quint16>(1) + bigEndian<quint16>(0x0112) +
                            bigEndian<quint16>(3) + bigEndian<quint32>(1) + bigEndian(orientation) +
                            bigEndian<quint16>(0) + bigEndian<quint32>(0);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    jpeg.insert(2, QByteArray("\xff\xe1", 2) + bigEndian(quint16(payload.size() + 2)) + payload);
    return jpeg;
}

bool isRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

TEST(ImageFiles, SizeLimitsAreCheckedFromTheHeader) {
    // Three bytes per pixel decode to four: the accepted maximum needs far more than Qt's
    // default allocation limit.
    const std::tuple<quint32, quint32, bool, bool> rows[] = {
        {32768, 3662, true, true},
        {32768, 3663, false, false},
        {32769, 1, false, false},
    };
    for (const auto& [width, height, rgb, accepted] : rows) {
        SCOPED_TRACE(std::to_string(width) + " × " + std::to_string(height));
        const QByteArray png = craftedPng(width, height, rgb);
        if (accepted) {
            const QImage decoded = ImageFiles::image(png);
            EXPECT_EQ(decoded.size(), QSize(int(width), int(height)));
            EXPECT_EQ(decoded.pixel(int(width) - 1, int(height) - 1), qRgb(0, 0, 0));
        } else {
            EXPECT_EQ(thrownMessage([&] { ImageFiles::image(png); }), kUnreadable);
        }
    }
}

TEST(ImageFiles, UnreadableBytesAreReportedByEachOperation) {
    const QByteArray png = written(noise(64, 64, QImage::Format_ARGB32, 1), "png");
    const std::tuple<const char*, QByteArray, const char*> rows[] = {
        {"text", "This is not an image at all.", "Choose a readable image file."},
        {"truncated PNG", png.left(png.size() / 2), kUnreadable},
    };
    const test::TemporaryFolder folder;
    for (const auto& [name, bytes, normalizedMessage] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::normalized(bytes); }), normalizedMessage);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::image(bytes); }), kUnreadable);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::prepareExport(bytes, "t", folder.path("new")); }),
                  kUnreadable);
    }
    EXPECT_TRUE(test::entriesIn(folder.path()).isEmpty());
}

TEST(ImageFiles, NormalizingAppliesTheOrientationTag) {
    // 64 × 32, red in the top-left quadrant and blue elsewhere; quadrants align with JPEG blocks.
    QImage original(64, 32, QImage::Format_RGB32);
    original.fill(Qt::blue);
    QPainter(&original).fillRect(0, 0, 32, 16, Qt::red);
    const QByteArray jpeg = written(original, "jpeg", 100);
    // Orientation, upright size, and the quadrant (column, row) that turns out red.
    // Orientation 8 turns the image a quarter anticlockwise: 32 × 64, red in the bottom-left.
    const QByteArray tagged = withOrientation(jpeg, 8);
    const QImage stored = ImageFiles::image(tagged);
    EXPECT_EQ(stored.size(), QSize(64, 32));
    EXPECT_TRUE(isRed(stored.pixel(16, 8)));

    const QByteArray png = ImageFiles::normalized(tagged);
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage upright = QImage::fromData(png);
    ASSERT_EQ(upright.size(), QSize(32, 64));
    const QPoint red(0, 1);
    for (const QPoint quadrant : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
        const QRgb pixel =
            upright.pixel((2 * quadrant.x() + 1) * 32 / 4, (2 * quadrant.y() + 1) * 64 / 4);
        const bool blue = qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) > 200;
        EXPECT_TRUE(quadrant == red ? isRed(pixel) : blue)
            << quadrant.x() << ',' << quadrant.y() << ' ' << std::hex << pixel;
    }
}

TEST(ImageFiles, NormalizingAndPngEncodingKeepFullResolutionPixelsAndAlpha) {
    const QImage original = noise(5000, 3, QImage::Format_ARGB32, 2);
    const QImage normalized = QImage::fromData(ImageFiles::normalized(written(original, "png")));
    EXPECT_TRUE(normalized.hasAlphaChannel());
    EXPECT_EQ(normalized.convertToFormat(QImage::Format_ARGB32), original);

    const QByteArray png = ImageFiles::encode(original, false);
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(ImageFiles::image(png).convertToFormat(original.format()), original);
}

TEST(ImageFiles, JpegEncodingPutsTransparencyOnWhite) {
    QImage image(64, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(32, 0, 32, 32, Qt::red);
    const QByteArray jpeg = ImageFiles::encode(image, true);
    EXPECT_TRUE(jpeg.startsWith("\xff\xd8\xff"));
    const QImage decoded = QImage::fromData(jpeg);
    ASSERT_EQ(decoded.size(), image.size());
    EXPECT_FALSE(decoded.hasAlphaChannel());
    const QRgb left = decoded.pixel(8, 16);
    EXPECT_GE(std::min({qRed(left), qGreen(left), qBlue(left)}), 245);
    EXPECT_TRUE(isRed(decoded.pixel(56, 16)));
}

TEST(ImageFiles, EncodingNothingFailsToWrite) {
    for (const bool jpeg : {false, true})
        EXPECT_EQ(thrownMessage([&] { ImageFiles::encode(QImage(), jpeg); }),
                  "The image could not be written.");
}

TEST(ImageFiles, ExportWritesTheBytesUnchangedInANewIdFolderNamedAfterTheTitle) {
    const QString emoji = QString::fromUtf8("😀");
    const std::pair<QString, QString> rows[] = {
        {"a//b:c\\d", "a  b c d.png"},
        {"   ", "Lumbex Image.png"},
        {QString(100, u'x'), QString(80, u'x') + ".png"},
        {"x" + emoji.repeated(50), "x" + emoji.repeated(39) + ".png"},
    };
    const test::TemporaryFolder base;
    const QByteArray png = test::solidPng(4, 3);
    for (const auto& [title, fileName] : rows) {
        SCOPED_TRACE(title.toStdString());
        const QString path = ImageFiles::prepareExport(png, title, base.path());
        const QString folder = QFileInfo(path).dir().dirName();
        const std::optional<Id> id = parseId(folder);
        EXPECT_TRUE(id && idString(*id) == folder) << folder.toStdString();
        EXPECT_EQ(path.toStdString(),
                  QDir(base.path()).absoluteFilePath(folder + '/' + fileName).toStdString());
        EXPECT_EQ(contents(path), png);
        EXPECT_EQ(test::entriesIn(base.path() + '/' + folder), QStringList{fileName});
    }
    // Titles that give the same file name still get a folder each.
    EXPECT_EQ(test::entriesIn(base.path()).size(), std::ssize(rows));
}

TEST(ImageFiles, FailedExportReportsTheSystemErrorAndLeavesNoFolder) {
    const test::TemporaryFolder folder;
    const QString file = folder.write("file", "plain");
    // A folder path of 4000 characters: the new folder fits within the system's path limit, the
    // file inside it does not.
    QString deep = folder.path();
    while (deep.size() < 4000)
        deep += u'/' + QString(std::clamp<qsizetype>(4000 - deep.size() - 1, 1, 200), u'd');
    ASSERT_TRUE(QDir().mkpath(deep));

    const QString title(100, u'n');
    // Where the export goes, a folder that must stay unchanged, and the name the error gives.
    const std::tuple<QString, QString, QString> rows[] = {
        {file, folder.path(), "“file”"},
        {deep, deep, "“" + title.left(80) + ".png”"},
    };
    for (const auto& [base, unchanged, named] : rows) {
        SCOPED_TRACE(named.toStdString());
        const QStringList before = test::entriesIn(unchanged);
        const std::string message =
            thrownMessage([&] { ImageFiles::prepareExport(test::solidPng(4, 3), title, base); });
        EXPECT_NE(message.find(named.toStdString()), std::string::npos) << message;
        EXPECT_EQ(test::entriesIn(unchanged), before);
    }
    EXPECT_EQ(contents(file), "plain");
}

} // namespace
} // namespace lumbex
