#include "core/error.h"
#include "core/ids.h"
#include "model/image_files.h"
#include "support/temporary_folder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const char* const unreadable = "The image could not be read, or exceeds 120 megapixels.";

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return "(no error)";
}

QByteArray written(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        throw std::runtime_error("cannot write a test image");
    return bytes;
}

QImage read(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).read();
}

QImage noise(int width, int height, QImage::Format format, quint32 seed) {
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    }
    return image.convertToFormat(format);
}

QByteArray bigEndian32(quint32 value) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray bigEndian16(quint16 value) {
    QByteArray bytes(2, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint32 crc32(QByteArrayView bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray typed = QByteArray(type, 4) + data;
    return bigEndian32(quint32(data.size())) + typed + bigEndian32(crc32(typed));
}

enum class PngColor : quint8 { Gray = 0, Rgb = 2 };

// A PNG built by hand, so that its header can claim any size. With `pixels` the data stream is
// complete (all rows black), so a decoder asked to read it succeeds; without, it is empty.
QByteArray craftedPng(quint32 width, quint32 height, PngColor color, bool pixels) {
    QByteArray header = bigEndian32(width) + bigEndian32(height);
    header.append(char(8)).append(char(color)).append(3, '\0'); // 8 bits, no interlacing
    QByteArray data;
    if (pixels) {
        const qint64 channels = color == PngColor::Rgb ? 3 : 1;
        const QByteArray rows(qint64(height) * (1 + qint64(width) * channels), '\0');
        data = qCompress(rows, 1).mid(4); // qCompress prefixes the zlib stream with its length
    }
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data) +
           pngChunk("IEND", {});
}

// An EXIF segment holding only an orientation tag, placed right after the JPEG start marker.
QByteArray withOrientation(QByteArray jpeg, quint16 orientation) {
    const QByteArray tiff = QByteArray("MM\0\x2a", 4) + bigEndian32(8) + bigEndian16(1) +
                            bigEndian16(0x0112) + bigEndian16(3) + bigEndian32(1) +
                            bigEndian16(orientation) + bigEndian16(0) + bigEndian32(0);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    jpeg.insert(2, QByteArray("\xff\xe1", 2) + bigEndian16(quint16(payload.size() + 2)) + payload);
    return jpeg;
}

bool isRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

bool isBlue(QRgb pixel) {
    return qRed(pixel) < 60 && qGreen(pixel) < 60 && qBlue(pixel) > 200;
}

enum Quadrant { TopLeft, TopRight, BottomLeft, BottomRight };

QRgb centreOf(const QImage& image, Quadrant quadrant) {
    const int x =
        quadrant == TopLeft || quadrant == BottomLeft ? image.width() / 4 : image.width() * 3 / 4;
    const int y =
        quadrant == TopLeft || quadrant == TopRight ? image.height() / 4 : image.height() * 3 / 4;
    return image.pixel(x, y);
}

// 64 × 32, red in the top-left quadrant and blue elsewhere; quadrants align with JPEG blocks.
QImage redTopLeft() {
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    }
    return image;
}

// Entries of a folder, hidden ones included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(ImageFiles, SizeLimitsAreCheckedFromTheHeader) {
    struct Row {
        quint32 width, height;
        PngColor color;
        bool accepted;
    };
    // Three bytes per pixel decode to four: the accepted maximum needs far more than Qt's
    // default allocation limit.
    const Row rows[] = {
        {32768, 3662, PngColor::Rgb, true}, {32768, 3663, PngColor::Gray, false},
        {32769, 1, PngColor::Gray, false},  {1, 32769, PngColor::Gray, false},
        {32768, 1, PngColor::Gray, true},   {1, 32768, PngColor::Gray, true},
        {0, 1, PngColor::Gray, false},      {1, 1, PngColor::Rgb, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " × " + std::to_string(row.height));
        const QByteArray png = craftedPng(row.width, row.height, row.color, true);
        if (row.accepted) {
            const QImage decoded = ImageFiles::image(png);
            EXPECT_EQ(decoded.size(), QSize(int(row.width), int(row.height)));
            EXPECT_EQ(decoded.pixel(int(row.width) - 1, int(row.height) - 1), qRgb(0, 0, 0));
        } else {
            EXPECT_EQ(messageOf([&] { ImageFiles::image(png); }), unreadable);
        }
    }
}

TEST(ImageFiles, UnreadableBytesAreReportedByEachOperation) {
    const QByteArray png = written(noise(64, 64, QImage::Format_ARGB32, 1), "png");
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* normalizedMessage;
    };
    const Row rows[] = {
        {"text", "This is not an image at all.", "Choose a readable image file."},
        {"empty", QByteArray(), "Choose a readable image file."},
        {"PNG signature only", png.left(8), unreadable},
        {"truncated PNG", png.left(png.size() / 2), unreadable},
        {"header over the limit", craftedPng(32768, 3663, PngColor::Rgb, false), unreadable},
    };
    const test::TemporaryFolder folder;
    const QString exports = folder.path("not/yet/there");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(messageOf([&] { ImageFiles::normalized(row.bytes); }), row.normalizedMessage);
        EXPECT_EQ(messageOf([&] { ImageFiles::image(row.bytes); }), unreadable);
        EXPECT_EQ(messageOf([&] { ImageFiles::prepareExport(row.bytes, "t", exports); }),
                  unreadable);
    }
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST(ImageFiles, NormalizingAppliesTheOrientationTag) {
    struct Row {
        quint16 orientation;
        QSize size;
        Quadrant red;
    };
    const Row rows[] = {
        {1, {64, 32}, TopLeft},     // as stored
        {2, {64, 32}, TopRight},    // mirrored left to right
        {3, {64, 32}, BottomRight}, // turned half way
        {6, {32, 64}, TopRight},    // turned a quarter clockwise
        {8, {32, 64}, BottomLeft},  // turned a quarter anticlockwise
    };
    const QByteArray jpeg = written(redTopLeft(), "jpeg", 100);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.orientation);
        const QByteArray tagged = withOrientation(jpeg, row.orientation);

        const QImage stored = ImageFiles::image(tagged);
        EXPECT_EQ(stored.size(), QSize(64, 32));
        EXPECT_TRUE(isRed(centreOf(stored, TopLeft)));

        const QByteArray png = ImageFiles::normalized(tagged);
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        const QImage upright = read(png);
        ASSERT_EQ(upright.size(), row.size);
        for (const Quadrant quadrant : {TopLeft, TopRight, BottomLeft, BottomRight}) {
            SCOPED_TRACE(quadrant);
            const QRgb pixel = centreOf(upright, quadrant);
            EXPECT_TRUE(quadrant == row.red ? isRed(pixel) : isBlue(pixel)) << std::hex << pixel;
        }
    }
}

TEST(ImageFiles, NormalizingKeepsFullResolutionPixelsAndAlpha) {
    const QImage rows[] = {
        noise(5000, 3, QImage::Format_ARGB32, 2),
        noise(3, 5000, QImage::Format_RGB32, 3),
        noise(40, 30, QImage::Format_Grayscale8, 4),
    };
    for (const QImage& original : rows) {
        SCOPED_TRACE(original.format());
        const QImage result = read(ImageFiles::normalized(written(original, "png")));
        EXPECT_EQ(result.hasAlphaChannel(), original.hasAlphaChannel());
        EXPECT_EQ(result.convertToFormat(QImage::Format_ARGB32),
                  original.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(ImageFiles, PngEncodingKeepsPixelsExactly) {
    const QImage rows[] = {
        noise(97, 41, QImage::Format_ARGB32, 5),
        noise(97, 41, QImage::Format_RGB32, 6),
        noise(97, 41, QImage::Format_Grayscale8, 7),
    };
    for (const QImage& original : rows) {
        SCOPED_TRACE(original.format());
        const QByteArray png = ImageFiles::encode(original, false);
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        EXPECT_EQ(ImageFiles::image(png).convertToFormat(original.format()), original);
    }
}

TEST(ImageFiles, JpegEncodingPutsTransparencyOnWhite) {
    for (const QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        SCOPED_TRACE(format);
        QImage image(64, 32, format);
        image.fill(Qt::transparent);
        for (int y = 0; y < 32; ++y) {
            for (int x = 32; x < 64; ++x)
                image.setPixel(x, y, qRgba(255, 0, 0, 255));
        }
        const QByteArray jpeg = ImageFiles::encode(image, true);
        EXPECT_TRUE(jpeg.startsWith("\xff\xd8\xff"));
        const QImage decoded = read(jpeg);
        ASSERT_EQ(decoded.size(), image.size());
        EXPECT_FALSE(decoded.hasAlphaChannel());
        const QRgb left = decoded.pixel(8, 16);
        EXPECT_GE(qRed(left), 245);
        EXPECT_GE(qGreen(left), 245);
        EXPECT_GE(qBlue(left), 245);
        EXPECT_TRUE(isRed(decoded.pixel(56, 16)));
    }
}

TEST(ImageFiles, JpegQualityIsHigh) {
    const QImage original = noise(64, 64, QImage::Format_RGB32, 8);
    const QByteArray jpeg = ImageFiles::encode(original, true);
    EXPECT_GT(jpeg.size(), written(original, "jpeg", 90).size());
    EXPECT_LT(jpeg.size(), written(original, "jpeg", 98).size());
}

TEST(ImageFiles, EncodingNothingFailsToWrite) {
    for (const bool jpeg : {false, true})
        EXPECT_EQ(messageOf([&] { ImageFiles::encode(QImage(), jpeg); }),
                  "The image could not be written.");
}

TEST(ImageFiles, HashIsLowerCaseSha256Hex) {
    const std::pair<QByteArray, const char*> rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    };
    for (const auto& [bytes, expected] : rows)
        EXPECT_EQ(ImageFiles::hash(bytes).toStdString(), expected);
}

QByteArray smallPng() {
    return written(noise(4, 3, QImage::Format_ARGB32, 9), "png");
}

TEST(ImageFiles, ExportFileNameComesFromTheTitle) {
    const QString emoji = QString::fromUtf8("😀");
    struct Row {
        QString title;
        QString fileName;
    };
    const Row rows[] = {
        {"a/b:c", "a b c.png"},
        {"back\\slash", "back slash.png"},
        {"a//b", "a  b.png"},
        {"   ", "Lumbex Image.png"},
        {"", "Lumbex Image.png"},
        {"/:\\", "Lumbex Image.png"},
        {"  padded  ", "padded.png"},
        {"Line one\nLine two\n", "Line one Line two.png"},
        {QString::fromUtf8("a\tb\x01"
                           "c\x7f"),
         "a b c.png"},
        {QString::fromUtf8("next\u0085line"), "next line.png"},
        {QString(100, u'x'), QString(80, u'x') + ".png"},
        {QString(100, u'한'), QString(80, u'한') + ".png"},
        {emoji.repeated(50), emoji.repeated(40) + ".png"},
        {"x" + emoji.repeated(50), "x" + emoji.repeated(39) + ".png"},
        {QString::fromUtf8("Café ☕ notes"), QString::fromUtf8("Café ☕ notes.png")},
    };
    const test::TemporaryFolder base;
    const QByteArray png = smallPng();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title.toStdString());
        const QString path = ImageFiles::prepareExport(png, row.title, base.path());
        EXPECT_EQ(QFileInfo(path).fileName().toStdString(), row.fileName.toStdString());
        EXPECT_TRUE(QFileInfo(path).isFile());
    }
}

TEST(ImageFiles, ExportWritesTheBytesUnchangedInANewIdFolder) {
    const test::TemporaryFolder base;
    const QByteArray png = smallPng();
    const QString first = ImageFiles::prepareExport(png, "Same", base.path());
    const QString second = ImageFiles::prepareExport(png, "Same", base.path());

    EXPECT_NE(first, second);
    for (const QString& path : {first, second}) {
        const QFileInfo file(path);
        EXPECT_TRUE(file.isAbsolute());
        EXPECT_EQ(file.fileName(), "Same.png");
        const QString folder = file.dir().dirName();
        const std::optional<Id> id = parseId(folder);
        ASSERT_TRUE(id.has_value()) << folder.toStdString();
        EXPECT_EQ(folder, idString(*id));
        EXPECT_EQ(QFileInfo(file.dir().absolutePath()).dir().absolutePath(),
                  QFileInfo(base.path()).absoluteFilePath());
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), png);
        EXPECT_EQ(entries(file.dir().absolutePath()), QStringList{"Same.png"});
    }
    EXPECT_EQ(entries(base.path()).size(), 2);
}

// Points the user's data folder at a temporary folder for the life of the object.
class DataHome {
public:
    explicit DataHome(const QString& path)
        : previous_(qEnvironmentVariable("XDG_DATA_HOME")),
          wasSet_(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path));
    }
    ~DataHome() {
        if (wasSet_)
            qputenv("XDG_DATA_HOME", QFile::encodeName(previous_));
        else
            qunsetenv("XDG_DATA_HOME");
    }

private:
    QString previous_;
    bool wasSet_;
};

TEST(ImageFiles, ExportWithoutAFolderGoesToTheExportsFolder) {
    const test::TemporaryFolder home;
    const DataHome dataHome(home.path());
    const QString path = ImageFiles::prepareExport(smallPng(), "Default", std::nullopt);
    EXPECT_EQ(QFileInfo(path).dir().absolutePath().section(u'/', 0, -2),
              home.path() + "/Lumbex/Exports");
    EXPECT_TRUE(QFileInfo(path).isFile());
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

    struct Row {
        const char* name;
        QString base;
        QString unchanged;
        QString named; // where the error says it failed
    };
    const QString title(100, u'n');
    const Row rows[] = {
        {"a file as the folder", file, folder.path(), "“file”"},
        {"below a file", file + "/below", folder.path(), "“below”"},
        {"a path too long for the file", deep, deep, "“" + title.left(80) + ".png”"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QStringList before = entries(row.unchanged);
        const std::string message =
            messageOf([&] { ImageFiles::prepareExport(smallPng(), title, row.base); });
        EXPECT_NE(message.find(row.named.toStdString()), std::string::npos) << message;
        EXPECT_EQ(entries(row.unchanged), before);
    }
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "plain");
}

} // namespace
} // namespace lumbex
