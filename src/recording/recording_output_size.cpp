#include "recording/recording_output_size.h"

#include "core/error.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

constexpr int kLargestSide = 16384;

// floor(side × factor) down to a multiple of `step`, at least 2. The product is rounded to a
// millionth first: in doubles, S × (L ÷ S) can fall just short of L.
int scaledSide(double side, double factor, int step) {
    const double exact = std::round(side * factor * 1e6) / 1e6;
    const auto whole = static_cast<long long>(std::floor(exact));
    return std::max(2, int(whole - whole % step));
}

} // namespace

RecordingOutputSize RecordingOutputSize::make(double sourceWidth, double sourceHeight,
                                              std::optional<int> longestSide, bool even) {
    if (!std::isfinite(sourceWidth) || !std::isfinite(sourceHeight) || sourceWidth < 2 ||
        sourceHeight < 2 || (longestSide && *longestSide < 2))
        throw LumbexError(QStringLiteral("Choose a valid video output size."));
    const double limit = longestSide.value_or(kLargestSide);
    const double ratio = limit / std::max(sourceWidth, sourceHeight);
    const double factor = std::min(ratio, 1.0);
    const int step = even ? 2 : 1;
    RecordingOutputSize size;
    size.width = scaledSide(sourceWidth, factor, step);
    size.height = scaledSide(sourceHeight, factor, step);
    size.scale = std::min({1.0, size.width / sourceWidth, size.height / sourceHeight});
    return size;
}

} // namespace lumbex
