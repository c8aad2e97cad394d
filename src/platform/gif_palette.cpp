#include "platform/gif_palette.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lumbex {
namespace {

constexpr int kBins = 1 << 15;
constexpr int kPaletteSize = 256;

int binOf(QRgb pixel) {
    return ((qRed(pixel) >> 3) << 10) | ((qGreen(pixel) >> 3) << 5) | (qBlue(pixel) >> 3);
}

int channel(int bin, int axis) {
    return (bin >> (10 - 5 * axis)) & 31;
}

struct Histogram {
    std::vector<quint32> count = std::vector<quint32>(kBins);
    // The sums of the exact 8-bit channels of the pixels in each bin, so that a palette colour is
    // their true mean (flat colours come out exact).
    std::vector<std::array<quint64, 3>> sum = std::vector<std::array<quint64, 3>>(kBins);
};

// A run of occupied bins that becomes one palette colour.
struct Box {
    size_t begin;
    size_t end;
    int widestAxis = 0;
    int width = 0;
};

void measure(Box& box, const std::vector<int>& bins) {
    box.width = -1;
    for (int axis = 0; axis < 3; ++axis) {
        const auto [low, high] = std::minmax_element(
            bins.begin() + qsizetype(box.begin), bins.begin() + qsizetype(box.end),
            [axis](int a, int b) { return channel(a, axis) < channel(b, axis); });
        const int width = channel(*high, axis) - channel(*low, axis);
        if (width > box.width) {
            box.width = width;
            box.widestAxis = axis;
        }
    }
}

// Splits boxes, widest first, at the pixel median along their widest axis.
std::vector<Box> medianCut(std::vector<int>& bins, const Histogram& histogram) {
    std::vector<Box> boxes{{0, bins.size()}};
    measure(boxes[0], bins);
    while (boxes.size() < kPaletteSize) {
        const auto widest =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const Box& a, const Box& b) { return a.width < b.width; });
        if (widest->width <= 0)
            break;
        Box box = *widest;
        const int axis = box.widestAxis;
        const auto first = bins.begin() + qsizetype(box.begin);
        const auto last = bins.begin() + qsizetype(box.end);
        std::sort(first, last,
                  [axis](int a, int b) { return channel(a, axis) < channel(b, axis); });
        quint64 total = 0;
        for (auto it = first; it != last; ++it)
            total += histogram.count[size_t(*it)];
        quint64 seen = 0;
        size_t split = box.begin;
        while (split + 1 < box.end && seen + histogram.count[size_t(bins[split])] <= total / 2)
            seen += histogram.count[size_t(bins[split++])];
        split = std::max(split, box.begin + 1);
        Box upper{split, box.end};
        widest->end = split;
        measure(*widest, bins);
        measure(upper, bins);
        boxes.push_back(upper);
    }
    return boxes;
}

} // namespace

void quantizeToPalette(const QImage& picture, AVFrame& frame) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    Histogram histogram;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int bin = binOf(line[x]);
            ++histogram.count[size_t(bin)];
            auto& sum = histogram.sum[size_t(bin)];
            sum[0] += quint64(qRed(line[x]));
            sum[1] += quint64(qGreen(line[x]));
            sum[2] += quint64(qBlue(line[x]));
        }
    }
    std::vector<int> bins;
    for (int bin = 0; bin < kBins; ++bin)
        if (histogram.count[size_t(bin)])
            bins.push_back(bin);

    std::vector<quint8> indexOfBin(kBins);
    auto* palette = reinterpret_cast<uint32_t*>(frame.data[1]);
    std::fill(palette, palette + kPaletteSize, 0xff000000u);
    const std::vector<Box> boxes = medianCut(bins, histogram);
    for (size_t index = 0; index < boxes.size(); ++index) {
        std::array<quint64, 3> sum{};
        quint64 count = 0;
        for (size_t i = boxes[index].begin; i < boxes[index].end; ++i) {
            const auto bin = size_t(bins[i]);
            indexOfBin[bin] = quint8(index);
            count += histogram.count[bin];
            for (int axis = 0; axis < 3; ++axis)
                sum[size_t(axis)] += histogram.sum[bin][size_t(axis)];
        }
        const auto mean = [&](int axis) {
            return uint32_t((sum[size_t(axis)] + count / 2) / count);
        };
        palette[index] = 0xff000000u | mean(0) << 16 | mean(1) << 8 | mean(2);
    }

    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* target = frame.data[0] + qsizetype(y) * frame.linesize[0];
        for (int x = 0; x < image.width(); ++x)
            target[x] = indexOfBin[size_t(binOf(line[x]))];
    }
}

} // namespace lumbex
