#include "model/image_files.h"
#include "model/note_fixtures.h"
#include "support/crafted_images.h"
#include "support/temporary_folder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace lumbex {
namespace {

using test::thrownMessage;

constexpr char kUnreadable[] = "The image could not be read, or exceeds 120 megapixels.";
constexpr char kNotAnImage[] = "Choose a readable image file.";

QImage noise(int width, int height) {
    QRandomGenerator random(7);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    return image;
}

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A JPEG whose frame header comes after `metadata` bytes of comment segments.
QByteArray withLeadingComments(const QByteArray& jpeg, qsizetype metadata) {
    QByteArray comments;
    while (comments.size() < metadata) {
        const QByteArray text(60000, 'c');
        comments += QByteArray("\xff\xfe", 2) + char((text.size() + 2) >> 8) +
                    char((text.size() + 2) & 0xff) + text;
    }
    return jpeg.left(2) + comments + jpeg.mid(2);
}

TEST(HostileImages, AllowedFormatsAreKnownByTheirSignatureWhateverTheFileIsCalled) {
    const QImage picture = noise(300, 200);
    const QByteArray jpeg = test::encodedImage(picture, "jpeg", 100);
    // Headers are read wherever they lie: Qt writes a TIFF's directory after its pixels, and
    // metadata can put a JPEG's frame header far from the start.
    const std::tuple<const char*, QByteArray, QSize> rows[] = {
        {"PNG", test::encodedImage(picture, "png"), {300, 200}},
        {"JPEG", jpeg, {300, 200}},
        {"JPEG with 180 KB of metadata", withLeadingComments(jpeg, 180'000), {300, 200}},
        {"GIF", test::gif({300, 200}, {{{0, 0, 300, 200}, 1}}), {300, 200}},
        {"BMP", test::encodedImage(picture, "bmp"), {300, 200}},
        {"WebP", test::encodedImage(picture, "webp", 100), {300, 200}},
        {"TIFF", test::encodedImage(picture, "tiff"), {300, 200}},
    };
    const test::TemporaryFolder folder;
    for (const auto& [name, bytes, size] : rows) {
        SCOPED_TRACE(name);
        const QByteArray read = ImageFiles::readImageFile(folder.write("picture.svg", bytes));
        EXPECT_EQ(read, bytes);
        EXPECT_EQ(ImageFiles::image(read).size(), size);
        EXPECT_EQ(QImage::fromData(ImageFiles::normalized(read), "png").size(), size);
    }
}

TEST(HostileImages, FormatsThatReferenceFilesOrHoldOtherImagesAreRefused) {
    const test::TemporaryFolder folder;
    const QByteArray redPng = test::encodedImage(solid(8, 8, Qt::red), "png");
    const QString fifo = folder.path("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString self = folder.path("self.svg");
    folder.write("self.svg", test::svgShowing(self));
    const std::pair<const char*, QByteArray> rows[] = {
        {"SVG showing a local file", test::svgShowing(folder.write("secret.png", redPng))},
        {"SVG showing itself", test::svgShowing(self)},
        {"SVG showing a FIFO", test::svgShowing(fifo)},
        {"icon holding a PNG", test::iconFile(1, 8, redPng)},
        {"cursor holding a PNG", test::iconFile(2, 8, redPng)},
        {"XPM", "/* XPM */\nstatic char* x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n"},
        {"XBM", "#define x_width 1\n#define x_height 1\nstatic char x_bits[] = {0x01};\n"},
        {"PGM", "P2\n1 1\n255\n0\n"},
        {"PBM", QByteArray("P4\n1 1\n\x80", 9)},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        const QByteArray read = ImageFiles::readImageFile(folder.write("image.png", bytes));
        EXPECT_EQ(thrownMessage([&] { ImageFiles::normalized(read); }), kNotAnImage);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::image(read); }), kUnreadable);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::normalized(bytes); }), kNotAnImage);
        EXPECT_EQ(thrownMessage([&] { ImageFiles::image(bytes); }), kUnreadable);
    }
}

TEST(HostileImages, ADecodeIsNeverLargerThanTheHeaderSaid) {
    const QByteArray webp = test::encodedImage(noise(64, 64), "webp", 100);
    // Input, and the size of the image it decodes to (none: refused).
    const std::tuple<const char*, QByteArray, std::optional<QSize>> rows[] = {
        {"GIF frame larger than its screen", test::gif({10, 10}, {{{0, 0, 20000, 20000}}}), {}},
        {"GIF frame outside its screen", test::gif({10, 10}, {{{8, 8, 4, 4}, 0}}), {}},
        {"GIF screen over the limits behind a 1 × 1 frame",
         test::gif({16000, 16000}, {{{0, 0, 1, 1}, 0}}),
         {}},
        {"GIF whose second frame is larger than its screen",
         test::gif({4, 3}, {{{0, 0, 4, 3}, 0}, {{0, 0, 30000, 30000}}}), QSize(4, 3)},
        {"TIFF whose second page is over the limits",
         test::tiff({{{2, 2}, "\x10\x20\x30\x40"}, {{30000, 30000}, {}}}), QSize(2, 2)},
        {"WebP canvas over the limits", test::webpOnCanvas(webp, {16383, 16383}), {}},
        {"WebP canvas smaller than its image", test::webpOnCanvas(webp, {2, 2}), {}},
    };
    for (const auto& [name, bytes, size] : rows) {
        SCOPED_TRACE(name);
        if (size) {
            EXPECT_EQ(ImageFiles::image(bytes).size(), *size);
        } else {
            EXPECT_EQ(thrownMessage([&] { ImageFiles::image(bytes); }), kUnreadable);
            EXPECT_EQ(thrownMessage([&] { ImageFiles::normalized(bytes); }), kUnreadable);
        }
    }
    EXPECT_EQ(
        ImageFiles::image(test::gif({4, 3}, {{{0, 0, 4, 3}, 0}, {{0, 0, 4, 3}, 1}})).pixel(3, 2),
        qRgb(255, 0, 0))
        << "the first frame of an animation";
}

TEST(HostileImages, BytesBeyondWhatTheImageNeedsAreRefused) {
    // Twice the decoded pixels (at least four bytes each) and a megabyte of metadata; an
    // animation may carry 64 MB more in its later frames.
    const QByteArray png = test::encodedImage(solid(4, 4, Qt::red), "png");
    const qint64 limit = 2 * 4 * 4 * 4 + (1 << 20);
    QImage deep(4, 4, QImage::Format_RGBA64);
    deep.fill(Qt::blue);
    const QByteArray deepPng = test::encodedImage(deep, "png");
    const qint64 deepLimit = 2 * 4 * 4 * 8 + (1 << 20);
    const QByteArray gif = test::gif({4, 4}, {{{0, 0, 4, 4}, 0}});
    const qint64 gifLimit = limit + (64 << 20);
    const std::tuple<const char*, QByteArray, bool> rows[] = {
        {"PNG of its largest size", png.leftJustified(limit, '\0'), true},
        {"PNG one byte larger", png.leftJustified(limit + 1, '\0'), false},
        {"16-bit PNG of its largest size", deepPng.leftJustified(deepLimit, '\0'), true},
        {"16-bit PNG one byte larger", deepPng.leftJustified(deepLimit + 1, '\0'), false},
        {"GIF of its largest size", gif.leftJustified(gifLimit, '\0'), true},
        {"GIF one byte larger", gif.leftJustified(gifLimit + 1, '\0'), false},
    };
    const test::TemporaryFolder folder;
    for (const auto& [name, bytes, accepted] : rows) {
        SCOPED_TRACE(name);
        const QString path = folder.write("padded.image", bytes);
        if (accepted) {
            EXPECT_EQ(ImageFiles::image(ImageFiles::readImageFile(path)).size(), QSize(4, 4));
            EXPECT_FALSE(ImageFiles::normalized(bytes).isEmpty());
        } else {
            EXPECT_EQ(thrownMessage([&] { ImageFiles::readImageFile(path); }),
                      "“padded.image” is larger than its image needs. Choose the original image "
                      "file.");
            const std::string inMemory =
                "The file is larger than its image needs. Choose the original image file.";
            EXPECT_EQ(thrownMessage([&] { ImageFiles::image(bytes); }), inMemory);
            EXPECT_EQ(thrownMessage([&] { ImageFiles::normalized(bytes); }), inMemory);
        }
    }

    // 64 GiB of nothing after the pixels is refused before any of it is read.
    const QString sparse = folder.write("sparse.png", png);
    ASSERT_TRUE(QFile(sparse).resize(qint64(64) << 30));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(thrownMessage([&] { ImageFiles::readImageFile(sparse); }),
              "“sparse.png” is larger than its image needs. Choose the original image file.");
    EXPECT_LT(timer.elapsed(), 1000);
}

} // namespace
} // namespace lumbex
