#include "core/error.h"
#include "fuzz/corpus.h"
#include "fuzz/text_mutations.h"
#include "model/image_files.h"
#include "support/crafted_images.h"

#include <stdexcept>
#include <utility>

namespace lumbex::fuzz {
namespace {

using Named = std::pair<QString, QByteArray>;

QImage noise(QImage::Format format, Random& random) {
    QImage image(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, QRgb(random()));
    return image.convertToFormat(format);
}

// One small image of every allowed format and variant, so that mutations mostly land in headers.
std::vector<Named> namedSeeds() {
    Random random(1);
    const QImage picture = noise(QImage::Format_ARGB32, random);
    return {
        {QStringLiteral("PNG"), test::encodedImage(picture, "png")},
        {QStringLiteral("16-bit PNG"),
         test::encodedImage(noise(QImage::Format_RGBA64, random), "png")},
        {QStringLiteral("palette PNG"),
         test::encodedImage(noise(QImage::Format_Indexed8, random), "png")},
        {QStringLiteral("JPEG"), test::encodedImage(picture, "jpeg", 90)},
        {QStringLiteral("GIF"), test::gif({6, 4}, {{{0, 0, 6, 4}, 0}, {{1, 1, 2, 2}, 1}})},
        {QStringLiteral("BMP"), test::encodedImage(picture, "bmp")},
        {QStringLiteral("lossless WebP"), test::encodedImage(picture, "webp", 100)},
        {QStringLiteral("lossy WebP"), test::encodedImage(picture, "webp", 50)},
        {QStringLiteral("TIFF"), test::encodedImage(picture, "tiff")},
        {QStringLiteral("TIFF whose second page is over the limits"),
         test::tiff({{{6, 4}, QByteArray(24, '\x80')}, {{30000, 30000}, {}}})},
    };
}

QImage grey(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

// Files that say one thing in their header and hold another, and formats that are refused.
std::vector<Named> hostileInputs() {
    const QByteArray png = test::encodedImage(grey(6, 4), "png");
    const qint64 pngLimit = 2 * 6 * 4 * 4 + (1 << 20);
    const QByteArray huge = test::craftedPng(20000, 20000, false, false);
    const QByteArray webp = test::encodedImage(grey(64, 64), "webp", 100);
    return {
        {QStringLiteral("icon whose directory says 16 × 16 around a 20000 × 20000 PNG"),
         test::iconFile(1, 16, huge)},
        {QStringLiteral("cursor around a 20000 × 20000 PNG"), test::iconFile(2, 16, huge)},
        {QStringLiteral("SVG showing a file"), test::svgShowing("/nonexistent/picture.png")},
        {QStringLiteral("XPM"),
         "/* XPM */\nstatic char* x[] = {\"1 1 1 1\", \"a c #000\", \"a\"};"},
        {QStringLiteral("XBM"), "#define x_width 1\n#define x_height 1\nstatic char x_bits[]={1};"},
        {QStringLiteral("PGM"), "P2\n1 1\n255\n0\n"},
        {QStringLiteral("GIF frame larger than its screen"),
         test::gif({10, 10}, {{{0, 0, 20000, 20000}}})},
        {QStringLiteral("GIF screen over the limits behind a 1 × 1 frame"),
         test::gif({16000, 16000}, {{{0, 0, 1, 1}, 0}})},
        {QStringLiteral("PNG over the limits"), test::craftedPng(32768, 3663, false, false)},
        {QStringLiteral("PNG with trailing data up to its limit"),
         png.leftJustified(pngLimit, '\0')},
        {QStringLiteral("PNG with trailing data beyond its limit"),
         png.leftJustified(pngLimit + 1, '\0')},
        {QStringLiteral("WebP canvas over the limits"), test::webpOnCanvas(webp, {16383, 16383})},
        {QStringLiteral("WebP canvas smaller than its image"), test::webpOnCanvas(webp, {2, 2})},
    };
}

// The seeds, each checked to decode: mutating a seed that does not would test nothing beyond
// the first check.
std::vector<Named> checkedSeeds() {
    std::vector<Named> seeds = namedSeeds();
    for (const auto& [name, bytes] : seeds) {
        try {
            ImageFiles::image(bytes);
        } catch (const LumbexError& error) {
            throw std::logic_error(QStringLiteral("seed %1 is not valid: %2")
                                       .arg(name, error.message())
                                       .toStdString());
        }
    }
    return seeds;
}

} // namespace

TargetFiles targetFiles() {
    return {QStringLiteral("image_header"), QStringLiteral(".bin")};
}

std::vector<QByteArray> seedInputs() {
    std::vector<QByteArray> seeds;
    for (const auto& [name, bytes] : checkedSeeds())
        seeds.push_back(bytes);
    return seeds;
}

void generateCorpus(quint64 seed, const Visit& visit) {
    Random random(seed);
    for (const auto& [name, bytes] : checkedSeeds()) {
        visit(name, bytes);
        blindMutations(name, bytes, random, visit);
    }
    for (const auto& [name, bytes] : hostileInputs()) {
        visit(name, bytes);
        truncations(name, bytes.left(4096), visit);
    }
}

} // namespace lumbex::fuzz
