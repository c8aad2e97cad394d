#include "capture/scroll_matching.h"

#include "core/error.h"

#include <QColorSpace>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace lumbex::ScrollMatching {
namespace {

constexpr int sampleColumns = 72;
// The outermost columns often hold scroll bars or window edges that change while scrolling.
constexpr int ignoredColumns = 3;
constexpr int comparedColumns = sampleColumns - 2 * ignoredColumns;
constexpr int comparedBytes = comparedColumns * 3;
constexpr int rowBytes = (comparedBytes + 15) / 16 * 16;

constexpr double unchangedLimit = 0.12;
constexpr double fixedRowLimit = 0.8;
constexpr double acceptedError = 2.5;
constexpr double rivalMargin = 0.6;
constexpr int rivalDistance = 3;

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// Mean absolute difference of the colour bytes (alpha ignored) over the inner 66 columns, 0–255.
double rowDifference(const QByteArray& a, int rowA, const QByteArray& b, int rowB) {
    const auto* pa = reinterpret_cast<const uchar*>(a.constData()) + rowA * rowBytes;
    const auto* pb = reinterpret_cast<const uchar*>(b.constData()) + rowB * rowBytes;
    int sum = 0;
    for (int i = 0; i < rowBytes; ++i)
        sum += std::abs(int(pa[i]) - int(pb[i]));
    return sum / double(comparedBytes);
}

// Leading rows (from the top, or from the bottom when `fromBottom`) that differ by less than the
// fixed-row limit, at most a third of the height.
int fixedRows(const QByteArray& previous, const QByteArray& next, int height, bool fromBottom) {
    if (height < 3)
        return 0;
    const int cap = height / 3;
    for (int index = 0; index < cap; ++index) {
        const int row = fromBottom ? height - 1 - index : index;
        if (rowDifference(previous, row, next, row) >= fixedRowLimit)
            return index;
    }
    return cap;
}

struct Candidate {
    int shift = 0;
    double error = 0;
};

// How well the new frame's rows match the previous frame's rows `shift` further down, on about
// 48 rows between the fixed header and footer.
double shiftError(const QByteArray& previous, const QByteArray& next, int height, int top,
                  int bottom, int shift) {
    const int end = height - bottom - shift;
    const int step = std::max(1, (end - top) / 48);
    double total = 0;
    int count = 0;
    for (int row = top; row < end; row += step, ++count)
        total += rowDifference(previous, row + shift, next, row);
    return total / count;
}

// A best shift is trusted only when no shift more than a few rows away scores almost as well:
// repeated rows would otherwise join at a wrong place.
bool isClearBest(const std::vector<Candidate>& sorted) {
    const Candidate& best = sorted.front();
    if (best.error > acceptedError)
        return false;
    const auto rival = std::find_if(sorted.begin(), sorted.end(), [&](const Candidate& c) {
        return std::abs(c.shift - best.shift) > rivalDistance;
    });
    return rival != sorted.end() && rival->error > best.error + rivalMargin;
}

} // namespace

// An area-averaging squeeze: every sample column is the mean of the source columns it covers, so
// thin text strokes still count wherever they fall.
Samples sample(const QImage& frame) {
    QImage squeezed = frame.scaled(sampleColumns, frame.height(), Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    if (squeezed.colorSpace().isValid())
        squeezed.convertToColorSpace(QColorSpace::SRgb);
    squeezed.convertTo(QImage::Format_RGBA8888_Premultiplied);
    if (squeezed.isNull())
        fail("The scroll frame could not be compared.");
    if (!squeezed.constBits())
        fail("The scroll frame is empty.");
    QByteArray colours(qsizetype(rowBytes) * squeezed.height(), 0);
    for (int row = 0; row < squeezed.height(); ++row) {
        const uchar* in = squeezed.constScanLine(row) + ignoredColumns * 4;
        char* out = colours.data() + qsizetype(row) * rowBytes;
        for (int column = 0; column < comparedColumns; ++column, in += 4)
            out = std::copy_n(in, 3, out);
    }
    return {squeezed.height(), colours};
}

// Averages every (height ÷ 80)-th row at the same position in both frames.
bool looksUnchanged(const Samples& previous, const Samples& next) {
    const int step = std::max(1, previous.height / 80);
    double total = 0;
    int count = 0;
    for (int row = 0; row < previous.height; row += step, ++count)
        total += rowDifference(previous.colours, row, next.colours, row);
    return total / count < unchangedLimit;
}

Alignment align(const Samples& previous, const Samples& next) {
    const int height = next.height;
    const QByteArray& before = previous.colours;
    const QByteArray& after = next.colours;
    const int top = fixedRows(before, after, height, false);
    const int bottom = fixedRows(before, after, height, true);
    const int minimumOverlap = height < 192 ? 48 : height / 4;
    const int maximumShift = height - top - bottom - minimumOverlap;
    if (maximumShift < 1)
        fail("The scrolling content could not be separated from fixed elements. Select only the "
             "scrolling content and try again.");
    std::vector<Candidate> candidates;
    candidates.reserve(maximumShift);
    for (int shift = 1; shift <= maximumShift; ++shift)
        candidates.push_back({shift, shiftError(before, after, height, top, bottom, shift)});
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.error < b.error; });
    if (!isClearBest(candidates))
        fail("The frames don’t overlap clearly. Pause scrolling, avoid repeated rows, and keep the "
             "window in place.");
    return {candidates.front().shift, bottom};
}

} // namespace lumbex::ScrollMatching
