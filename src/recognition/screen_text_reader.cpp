#include "recognition/screen_text_reader.h"

#include "recognition/text_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumbex {
namespace {

// Text is enlarged until its capital letters are about this many pixels tall:
// screen text at 1× is smaller than the print the engine is trained on.
constexpr double kReadableGlyphHeight = 20;
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
    // Ink wider than any glyph in a row is a filled box (a redaction, a bar) or a rule, which
    // the engine would read as letters.
    const int widestInk = std::max(3 * block.glyphHeight, 24);
    for (int y = 0; y < piece.height(); ++y) {
        uint8_t* row = piece.scanLine(y);
        for (int x = 0; x < piece.width();) {
            int end = x;
            while (end < piece.width() && row[end] < 128)
                ++end;
            if (end - x > widestInk)
                std::fill(row + x, row + end, uint8_t(255));
            x = end + 1;
        }
    }
    auto blank = [&](const QRect& r) {
        const QRect cut = r.intersected(area).translated(-area.topLeft());
        for (int y = cut.top(); y <= cut.bottom(); ++y)
            std::fill_n(piece.scanLine(y) + cut.left(), cut.width(), uint8_t(255));
    };
    for (const QRect& rule : block.rules)
        blank(rule);
    for (const TextBlock& other : blocks) {
        const bool nested = block.rect.contains(other.rect);
        const bool beside = !block.rect.intersects(other.rect);
        if (&other == &block || !other.rect.intersects(area) || !(nested || beside))
            continue;
        blank(other.rect);
    }
    if (scale == 1)
        return piece;
    return piece.scaled(int(std::lround(area.width() * scale)),
                        int(std::lround(area.height() * scale)), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

// Splits a line where its words are further apart than one space: columns of a listing or the
// parts of a row of controls become runs of their own, as an observation of a layout reader
// would be, so that the code layout can show the gaps between them.
std::vector<EngineLine> columnRuns(const EngineLine& line) {
    double inked = 0, characters = 0;
    for (const EngineWord& word : line.words) {
        inked += word.box.width();
        characters += word.text.size();
    }
    const double widestSpace = 1.8 * inked / std::max(characters, 1.0);
    std::vector<EngineLine> runs;
    for (size_t i = 0; i < line.words.size(); ++i) {
        const EngineWord& word = line.words[i];
        if (i == 0 || word.box.left() - line.words[i - 1].box.right() - 1 > widestSpace)
            runs.push_back({{}, QRect(), {}});
        EngineLine& run = runs.back();
        run.text += (run.text.isEmpty() ? QString() : QStringLiteral(" ")) + word.text;
        const QRect span(word.box.left(), line.box.top(), word.box.width(), line.box.height());
        run.box = run.box.isNull() ? span : run.box.united(span);
        run.words.push_back(word);
    }
    return runs;
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
        // A block no taller than one line is read as one: the engine then cannot split the
        // parts of tall glyphs (Hangul, accents) into lines of their own.
        const PageLayout layout = block.rect.height() < 2 * block.glyphHeight
                                      ? PageLayout::SingleLine
                                      : PageLayout::SingleBlock;
        for (EngineLine& line : engine.read(prepared(grey, block, area, blocks, scale), layout)) {
            for (EngineLine& run : columnRuns(line)) {
                run.box = mapBack(run.box, area.topLeft(), scale);
                for (EngineWord& word : run.words)
                    word.box = mapBack(word.box, area.topLeft(), scale);
                lines.push_back(std::move(run));
            }
        }
    }
    return lines;
}

} // namespace lumbex
