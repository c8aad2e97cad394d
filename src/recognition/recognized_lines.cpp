#include "recognition/recognized_lines.h"

#include <algorithm>

namespace lumbex {
namespace {

Rect normalised(const Rect& pixels, QSize imageSize) {
    const double w = imageSize.width(), h = imageSize.height();
    return {pixels.x / w, pixels.y / h, pixels.width / w, pixels.height / h};
}

double area(const Rect& r) {
    const Rect s = r.standardized();
    return s.width * s.height;
}

} // namespace

std::vector<RecognizedLine> recognizedLines(const std::vector<EngineLine>& lines, QRect region,
                                            QSize imageSize,
                                            const std::optional<QRect>& ownership) {
    std::vector<RecognizedLine> result;
    for (const EngineLine& line : lines) {
        const double y = region.y() + line.box.y(), height = line.box.height();
        if (!ownership) {
            const Rect pixels{double(region.x() + line.box.x()), y, double(line.box.width()),
                              height};
            result.push_back({line.text, normalised(pixels, imageSize)});
            continue;
        }
        const Rect owner{double(ownership->x()), double(ownership->y()), double(ownership->width()),
                         double(ownership->height())};
        for (const EngineWord& word : line.words) {
            if (word.text.trimmed().isEmpty() || word.box.isEmpty())
                continue;
            const Rect pixels{double(region.x() + word.box.x()), y, double(word.box.width()),
                              height};
            if (owner.contains(pixels.center()))
                result.push_back({word.text, normalised(pixels, imageSize)});
        }
    }
    return result;
}

std::vector<RecognizedLine> mergeTileWords(const std::vector<RecognizedLine>& fullPass,
                                           const std::vector<RecognizedLine>& tileWords) {
    std::vector<RecognizedLine> merged;
    for (const RecognizedLine& line : fullPass) {
        const bool replaced = std::any_of(tileWords.begin(), tileWords.end(), [&](const auto& w) {
            return area(line.bounds.intersected(w.bounds)) > 0.5 * area(w.bounds);
        });
        if (!replaced)
            merged.push_back(line);
    }
    merged.insert(merged.end(), tileWords.begin(), tileWords.end());
    return merged;
}

} // namespace lumbex
