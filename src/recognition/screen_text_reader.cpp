#include "recognition/screen_text_reader.h"

#include "recognition/text_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumbex {
namespace {

// Text is enlarged until its capital letters are about this many pixels tall: screen text at 1×
// is smaller than the print the engine is trained on ("src" reads as "sre" below about 20 in a
// 14-pixel terminal).
constexpr double kReadableGlyphHeight = 20;
constexpr double kLargestEnlargement = 4;
// Blank space left around a block so that the engine sees where its text ends.
constexpr int kMargin = 4;
// Normalised grey levels below this are ink.
constexpr uint8_t kInk = 128;
// Tall blocks are read in bands of about this many lines, so that no engine is left with one
// long read while the others wait.
constexpr int kBandLines = 8;

QRect mapBack(const QRect& box, const QPoint& origin, double scale) {
    const int left = int(std::floor(box.left() / scale)), top = int(std::floor(box.top() / scale));
    const int right = int(std::ceil((box.right() + 1) / scale));
    const int bottom = int(std::ceil((box.bottom() + 1) / scale));
    return QRect(left, top, right - left, bottom - top).translated(origin);
}

// The block's pixels stretched so that its background is white and its ink black, whichever
// is lighter; what lies beyond the background (a lighter frame around a grey field) turns white
// too. Other blocks inside the area, on other backgrounds, are blanked: they are read on their own.
QImage normalized(const QImage& grey, const TextBlock& block, const QRect& area,
                  const std::vector<TextBlock>& blocks) {
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
    // Ink longer than any glyph, across or down, is a filled box (a redaction, a bar), a rule or
    // the edge of a window, which the engine would read as letters.
    const int longestInk = std::max(3 * block.glyphHeight, 24);
    for (int y = 0; y < piece.height(); ++y) {
        uint8_t* row = piece.scanLine(y);
        for (int x = 0; x < piece.width();) {
            int end = x;
            while (end < piece.width() && row[end] < kInk)
                ++end;
            if (end - x > longestInk)
                std::fill(row + x, row + end, uint8_t(255));
            x = end + 1;
        }
    }
    for (int x = 0; x < piece.width(); ++x)
        for (int y = 0; y < piece.height();) {
            int end = y;
            while (end < piece.height() && piece.constScanLine(end)[x] < kInk)
                ++end;
            if (end - y > longestInk)
                for (int i = y; i < end; ++i)
                    piece.scanLine(i)[x] = 255;
            y = end + 1;
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
    return piece;
}

bool inked(const QImage& piece, int y) {
    const uint8_t* row = piece.constScanLine(y);
    return std::any_of(row, row + piece.width(), [](uint8_t g) { return g < kInk; });
}

// Where to cut a normalised block into bands of about kBandLines lines: the middle rows of blank
// gaps between lines. Short runs of ink (dashes, dots, underlines) are not counted as lines.
std::vector<int> bandCuts(const QImage& piece, int glyphHeight) {
    struct Run {
        int top, bottom;
    };
    std::vector<Run> runs;
    for (int y = 0; y < piece.height(); ++y) {
        if (!inked(piece, y))
            continue;
        if (!runs.empty() && runs.back().bottom == y)
            runs.back().bottom = y + 1;
        else
            runs.push_back({y, y + 1});
    }
    auto isLine = [&](const Run& run) { return 2 * (run.bottom - run.top) >= glyphHeight; };
    const int lines = int(std::count_if(runs.begin(), runs.end(), isLine));
    const int bands = (lines + kBandLines - 1) / kBandLines;
    std::vector<int> cuts;
    int linesAbove = 0;
    for (size_t i = 0; i + 1 < runs.size() && int(cuts.size()) + 1 < bands; ++i) {
        linesAbove += isLine(runs[i]);
        if (linesAbove * bands >= lines * int(cuts.size() + 1))
            cuts.push_back((runs[i].bottom + runs[i + 1].top) / 2);
    }
    return cuts;
}

QImage enlarged(const QImage& piece, double scale) {
    if (scale == 1)
        return piece;
    return piece.scaled(int(std::lround(piece.width() * scale)),
                        int(std::lround(piece.height() * scale)), Qt::IgnoreAspectRatio,
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

std::vector<BlockReading> screenTextReadings(const QImage& image,
                                             const std::optional<QRect>& interest) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const std::vector<TextBlock> blocks = findTextBlocks(grey);
    std::vector<BlockReading> readings;
    int index = -1;
    for (const TextBlock& block : blocks) {
        ++index;
        if (interest && !block.rect.intersects(*interest))
            continue;
        const QRect area = block.rect.adjusted(-kMargin, -kMargin, kMargin, kMargin) & grey.rect();
        const double scale = std::clamp(kReadableGlyphHeight / std::max(block.glyphHeight, 1), 1.0,
                                        kLargestEnlargement);
        const QImage piece = normalized(grey, block, area, blocks);
        std::vector<int> edges = bandCuts(piece, block.glyphHeight);
        edges.insert(edges.begin(), 0);
        edges.push_back(piece.height());
        for (size_t band = 0; band + 1 < edges.size(); ++band) {
            const int top = edges[band], height = edges[band + 1] - top;
            // A band no taller than one line is read as one: the engine then cannot split the
            // parts of tall glyphs (Hangul, accents) into lines of their own.
            const PageLayout layout = height < 2 * block.glyphHeight + 2 * kMargin
                                          ? PageLayout::SingleLine
                                          : PageLayout::SingleBlock;
            readings.push_back(
                {{enlarged(piece.copy(0, top, piece.width(), height), scale), layout},
                 area.topLeft() + QPoint(0, top),
                 scale,
                 index});
        }
    }
    return readings;
}

std::vector<EngineLine> placedLines(const BlockReading& reading,
                                    const std::vector<EngineLine>& lines) {
    std::vector<EngineLine> placed;
    for (const EngineLine& line : lines)
        for (EngineLine& run : columnRuns(line)) {
            run.box = mapBack(run.box, reading.origin, reading.scale);
            for (EngineWord& word : run.words)
                word.box = mapBack(word.box, reading.origin, reading.scale);
            placed.push_back(std::move(run));
        }
    return placed;
}

} // namespace lumbex
