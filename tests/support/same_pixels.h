#pragma once

#include <QImage>
#include <gtest/gtest.h>

namespace lumbex::test {

// Pixel for pixel, ignoring alpha and colour-space tags (images read back from PNG files carry
// them); names the first pixel that differs.
inline ::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "×" << actual.height() << ", expected "
               << expected.width() << "×" << expected.height();
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) | 0xff000000u) != (expected.pixel(x, y) | 0xff000000u))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << actual.pixel(x, y)
                       << ", expected " << expected.pixel(x, y);
    return ::testing::AssertionSuccess();
}

} // namespace lumbex::test
