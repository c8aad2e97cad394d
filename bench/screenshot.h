#pragma once

#include <QByteArray>

namespace lumbex::bench {

constexpr int kWidth = 2880;
constexpr int kHeight = 1800;

// A 2880 × 1800 desktop with a few overlapping application windows: gradients, text and flat
// areas, so that PNG decoding and encoding cost what they cost for real screenshots.
QByteArray screenshotPng(int seed);

} // namespace lumbex::bench
