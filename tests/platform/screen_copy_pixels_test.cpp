#include "platform/screen_copy_pixels.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace lumbex {
namespace {

// Six distinct opaque colours, named by letter; the output shows them as
//   a b c
//   d e f
const std::map<char, QRgb> kColours = {{'a', 0xff102030}, {'b', 0xff405060}, {'c', 0xff708090},
                                       {'d', 0xffa0b0c0}, {'e', 0xffd0e0f0}, {'f', 0xff0a0b0c}};
const char* const kUpright[] = {"abc", "def"};

// One 32-bit word of a buffer in `format` holding `colour`; the X and A bytes are left as a
// compositor might leave them (0 or half transparent), which the picture ignores.
uint32_t word(uint32_t format, QRgb colour) {
    const uint32_t r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    switch (format) {
    case shm_format::kXrgb8888:
        return r << 16 | g << 8 | b;
    case shm_format::kArgb8888:
        return 0x80u << 24 | r << 16 | g << 8 | b;
    case shm_format::kXbgr8888:
        return b << 16 | g << 8 | r;
    case shm_format::kAbgr8888:
        return 0x80u << 24 | b << 16 | g << 8 | r;
    default:
        return 0x12345678u; // a format the picture refuses
    }
}

// A 3 × 2 buffer of the upright letters in `format`, with two words of padding after each row,
// its rows bottom to top when `yInverted`.
std::vector<uint32_t> buffer(uint32_t format, bool yInverted) {
    std::vector<uint32_t> words;
    for (int row = 0; row < 2; ++row) {
        const char* letters = kUpright[yInverted ? 1 - row : row];
        for (int x = 0; x < 3; ++x)
            words.push_back(word(format, kColours.at(letters[x])));
        words.insert(words.end(), {0xdeadbeefu, 0xdeadbeefu});
    }
    return words;
}

std::vector<std::string> letters(const QImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            char found = '?';
            for (const auto& [letter, colour] : kColours)
                if (image.pixel(x, y) == colour)
                    found = letter;
            row += found;
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(ScreenCopyPixels, BuffersComeOutAsTheOutputShowsThem) {
    struct Row {
        uint32_t format;
        bool yInverted;
        int transform;
        std::vector<std::string> expected;
    } rows[] = {
        {shm_format::kXrgb8888, false, 0, {"abc", "def"}},
        {shm_format::kArgb8888, false, 0, {"abc", "def"}},
        {shm_format::kXbgr8888, false, 0, {"abc", "def"}},
        {shm_format::kAbgr8888, false, 0, {"abc", "def"}},
        {shm_format::kXrgb8888, true, 0, {"abc", "def"}},
        {shm_format::kXbgr8888, true, 0, {"abc", "def"}},
        // Turned a quarter clockwise for 90, as grim shows sway's outputs.
        {shm_format::kXrgb8888, false, 1, {"da", "eb", "fc"}},
        {shm_format::kXrgb8888, false, 2, {"fed", "cba"}},
        {shm_format::kXrgb8888, false, 3, {"cf", "be", "ad"}},
        // Flipped ones: turned, then mirrored left to right.
        {shm_format::kXrgb8888, false, 4, {"cba", "fed"}},
        {shm_format::kXrgb8888, false, 5, {"ad", "be", "cf"}},
        {shm_format::kXrgb8888, false, 6, {"def", "abc"}},
        {shm_format::kXrgb8888, false, 7, {"fc", "eb", "da"}},
        // Rows put in order first, then turned.
        {shm_format::kAbgr8888, true, 1, {"da", "eb", "fc"}},
        {shm_format::kArgb8888, true, 7, {"fc", "eb", "da"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "format " << row.format << (row.yInverted ? " y-inverted" : "")
                     << " transform " << row.transform);
        const std::vector<uint32_t> words = buffer(row.format, row.yInverted);
        const QImage picture = screenCopyPicture({reinterpret_cast<const uchar*>(words.data()),
                                                  row.format, QSize(3, 2), 5 * 4, row.yInverted},
                                                 row.transform);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_EQ(letters(picture), row.expected);
    }
}

TEST(ScreenCopyPixels, BuffersItCannotReadGiveNoPicture) {
    const std::vector<uint32_t> words = buffer(shm_format::kXrgb8888, false);
    const auto* data = reinterpret_cast<const uchar*>(words.data());
    struct Row {
        const char* what;
        CopiedBuffer buffer;
        int transform;
    } rows[] = {
        {"an unknown format", {data, shm_format::fourcc('R', 'G', '1', '6'), QSize(3, 2), 20}, 0},
        {"a stride shorter than a row", {data, shm_format::kXrgb8888, QSize(3, 2), 8}, 0},
        {"an empty size", {data, shm_format::kXrgb8888, QSize(0, 2), 20}, 0},
        {"no memory", {nullptr, shm_format::kXrgb8888, QSize(3, 2), 20}, 0},
        {"a transform beyond 7", {data, shm_format::kXrgb8888, QSize(3, 2), 20}, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_TRUE(screenCopyPicture(row.buffer, row.transform).isNull());
    }
    EXPECT_FALSE(screenCopyFormatKnown(shm_format::fourcc('R', 'G', '1', '6')));
}

TEST(ScreenCopyPixels, RowsAtAnOddStrideAreReadByteForByte) {
    // Three pixels per row and a stride of 13 bytes: the second row starts off word alignment.
    std::vector<uchar> bytes(26 + 4, 0);
    const std::vector<uint32_t> words = buffer(shm_format::kXrgb8888, false);
    std::memcpy(bytes.data(), &words[0], 12);
    std::memcpy(bytes.data() + 13, &words[5], 12);
    const QImage picture =
        screenCopyPicture({bytes.data(), shm_format::kXrgb8888, QSize(3, 2), 13, false}, 0);
    EXPECT_EQ(letters(picture), (std::vector<std::string>{"abc", "def"}));
}

} // namespace
} // namespace lumbex
