#include "recognition/screen_text_reader.h"

#include "recognition/text_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumbex {
namespace {

// Glyph clusters (about the height of a capital letter) are enlarged to this many pixels:
// screen text at 1× is smaller than the print the engine is trained on.
constexpr double kReadableGlyphHeight = 22;
constexpr double kLargestEnlargement = 4;
// Blank space left around a block so that the engine sees where its text ends.
constexpr int kMargin = 4;

QRect mapBack(const QRect& box, const QPoint& origin, double scale) {
    const int left = int(std::floor(box.left() / scale)), top = int(std::floor(box.top() / scale));
    const int right = int(std::ceil((box.right() + 1) / scale));
    const int bottom = int(std::ceil((box.bottom() + 1) / scale));
    return QRect(left, top, right - left, bottom - top).translated(origin);
}

// The block's pixels stretched so that its background is white and its ink black, whichever
// is lighter; what lies beyond the background (a lighter frame around a grey field) turns white
// too. Other blocks inside the area, on other backgrounds, are blanked: they are read on their own.
QImage prepared(const QImage& grey, const TextBlock& block, const QRect& area,
                const std::vector<TextBlock>& blocks, double scale) {
    QImage piece(area.size(), QImage::Format_Grayscale8);
    const double range = block.background - block.ink;
    uint8_t levels[256];
    for (int g = 0; g < 256; ++g)
        levels[g] = uint8_t(std::lround(255 * std::clamp((g - block.ink) / range, 0.0, 1.0)));
    for (int y = 0; y < area.height(); ++y) {
        const uint8_t* in = grey.constScanLine(area.top() + y) + area.left();
        uint8_t* out = piece.scanLine(y);
        for (int x = 0; x < area.width(); ++x)
            out[x] = levels[in[x]];
    }
    for (const TextBlock& other : blocks) {
        const bool nested = block.rect.contains(other.rect);
        const bool beside = !block.rect.intersects(other.rect);
        if (&other == &block || !other.rect.intersects(area) || !(nested || beside))
            continue;
        const QRect blank = other.rect.intersected(area).translated(-area.topLeft());
        for (int y = blank.top(); y <= blank.bottom(); ++y)
            std::fill_n(piece.scanLine(y) + blank.left(), blank.width(), uint8_t(255));
    }
    if (scale == 1)
        return piece;
    return piece.scaled(int(std::lround(area.width() * scale)),
                        int(std::lround(area.height() * scale)), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

} // namespace

std::vector<EngineLine> readScreenText(TextEngine& engine, const QImage& image,
                                       const std::optional<QRect>& interest) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<EngineLine> lines;
    const std::vector<TextBlock> blocks = findTextBlocks(grey);
    for (const TextBlock& block : blocks) {
        if (interest && !block.rect.intersects(*interest))
            continue;
        const QRect area = block.rect.adjusted(-kMargin, -kMargin, kMargin, kMargin) & grey.rect();
        const double scale = std::clamp(kReadableGlyphHeight / std::max(block.glyphHeight, 1), 1.0,
                                        kLargestEnlargement);
        for (EngineLine& line :
             engine.read(prepared(grey, block, area, blocks, scale), PageLayout::SingleBlock)) {
            line.box = mapBack(line.box, area.topLeft(), scale);
            for (EngineWord& word : line.words)
                word.box = mapBack(word.box, area.topLeft(), scale);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

} // namespace lumbex
