#include "recognition/text_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <optional>

namespace lumbex {
namespace {

// A step of this many grey levels between neighbours is an edge of a glyph.
constexpr int kEdgeContrast = 48;
// Straight edges longer than this are borders, not glyphs.
constexpr int kLongestGlyphEdge = 48;
// Gaps this narrow inside a row of edge pixels are closed (within and between glyphs).
constexpr int kGlyphGap = 1;
// Clusters taller than this are pictures or borders.
constexpr int kTallestGlyphCluster = 96;
// Backgrounds within this many grey levels count as the same.
constexpr int kSameBackground = 28;

struct Piece {
    QRect rect;
    int background = 0;
};

class Mask {
public:
    Mask(int width, int height) : width_(width), height_(height), bits_(size_t(width) * height) {}
    uint8_t& at(int x, int y) { return bits_[size_t(y) * width_ + x]; }
    uint8_t at(int x, int y) const { return bits_[size_t(y) * width_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    std::vector<uint8_t> bits_;
};

class UnionFind {
public:
    explicit UnionFind(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
    size_t find(size_t i) {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void unite(size_t a, size_t b) { parent_[find(a)] = find(b); }

private:
    std::vector<size_t> parent_;
};

Mask edges(const QImage& grey) {
    const int w = grey.width(), h = grey.height();
    Mask mask(w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = grey.constScanLine(y);
        const uint8_t* below = grey.constScanLine(std::min(y + 1, h - 1));
        for (int x = 0; x < w; ++x) {
            const int right = row[std::min(x + 1, w - 1)];
            mask.at(x, y) = std::abs(row[x] - right) >= kEdgeContrast ||
                            std::abs(row[x] - below[x]) >= kEdgeContrast;
        }
    }
    return mask;
}

// Clears straight runs of edge pixels longer than a glyph can be, in both directions.
Mask withoutBorders(const Mask& mask) {
    Mask out = mask;
    const int w = mask.width(), h = mask.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            int end = x;
            while (end < w && mask.at(end, y))
                ++end;
            if (end - x > kLongestGlyphEdge)
                for (int i = x; i < end; ++i)
                    out.at(i, y) = 0;
            x = end + 1;
        }
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h;) {
            int end = y;
            while (end < h && mask.at(x, end))
                ++end;
            if (end - y > kLongestGlyphEdge)
                for (int i = y; i < end; ++i)
                    out.at(x, i) = 0;
            y = end + 1;
        }
    return out;
}

struct Run {
    int y, x0, x1; // x1 exclusive
};

// Glyph clusters: 8-connected components of the edge pixels with narrow gaps closed.
std::vector<QRect> clusters(const Mask& mask) {
    std::vector<Run> runs;
    std::vector<size_t> rowStart(mask.height() + 1);
    for (int y = 0; y < mask.height(); ++y) {
        rowStart[y] = runs.size();
        int x = 0;
        while (x < mask.width()) {
            while (x < mask.width() && !mask.at(x, y))
                ++x;
            if (x == mask.width())
                break;
            int end = x + 1;
            for (int last = x; end < mask.width() && end - last <= kGlyphGap + 1; ++end)
                if (mask.at(end, y))
                    last = end;
            while (!mask.at(end - 1, y))
                --end;
            runs.push_back({y, x, end});
            x = end;
        }
    }
    rowStart[mask.height()] = runs.size();

    UnionFind sets(runs.size());
    for (int y = 1; y < mask.height(); ++y) {
        size_t above = rowStart[y - 1];
        for (size_t i = rowStart[y]; i < rowStart[y + 1]; ++i) {
            while (above < rowStart[y] && runs[above].x1 < runs[i].x0)
                ++above;
            for (size_t j = above; j < rowStart[y] && runs[j].x0 <= runs[i].x1; ++j)
                sets.unite(i, j);
        }
    }
    std::vector<QRect> boxes(runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        const QRect r(runs[i].x0, runs[i].y, runs[i].x1 - runs[i].x0, 1);
        QRect& box = boxes[sets.find(i)];
        box = box.isNull() ? r : box.united(r);
    }
    std::erase_if(boxes, [](const QRect& r) { return r.isNull(); });
    return boxes;
}

// The most common grey level in and just around `rect`: text strokes are thin, so this is the
// background even where a frame or a neighbouring region touches the cluster.
int backgroundAround(const QImage& grey, const QRect& rect) {
    const QRect area = rect.adjusted(-2, -2, 2, 2).intersected(grey.rect());
    int histogram[256] = {};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uint8_t* row = grey.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x)
            ++histogram[row[x]];
    }
    return int(std::max_element(std::begin(histogram), std::end(histogram)) - histogram);
}

// Pieces of one row and neighbouring rows of one text region belong together.
bool belongTogether(const Piece& a, const Piece& b) {
    if (std::abs(a.background - b.background) > kSameBackground)
        return false;
    const QRect &ra = a.rect, &rb = b.rect;
    const int overlapY = std::min(ra.bottom(), rb.bottom()) - std::max(ra.top(), rb.top()) + 1;
    const int overlapX = std::min(ra.right(), rb.right()) - std::max(ra.left(), rb.left()) + 1;
    // Columns of a listing are a few spaces apart; separate regions much further.
    if (overlapY > 0)
        return -overlapX <= 3 * std::max(ra.height(), rb.height());
    return overlapX > 0 && -overlapY <= 6 * std::min(ra.height(), rb.height()) / 5;
}

bool thin(const Piece* p) {
    return p->rect.width() <= 3;
}

// Describes the text of a group, or nothing when the group holds only thin strokes (the borders
// of two neighbouring buttons).
std::optional<TextBlock> describe(const QImage& grey, std::vector<const Piece*> pieces) {
    std::vector<int> heights;
    for (const Piece* p : pieces)
        if (!thin(p))
            heights.push_back(p->rect.height());
    if (heights.empty())
        return std::nullopt;
    std::sort(heights.begin(), heights.end());
    TextBlock block;
    block.glyphHeight = heights[heights.size() * 3 / 4];
    const int median = heights[heights.size() / 2];
    std::erase_if(pieces, [&](const Piece* p) {
        if (!thin(p) || 2 * p->rect.height() <= 3 * median)
            return false;
        block.rules.push_back(p->rect);
        return true;
    });
    std::vector<int> backgrounds;
    for (const Piece* p : pieces) {
        block.rect = block.rect.isNull() ? p->rect : block.rect.united(p->rect);
        backgrounds.push_back(p->background);
    }
    std::sort(backgrounds.begin(), backgrounds.end());
    block.background = backgrounds[backgrounds.size() / 2];
    // Ink is what stands out from the background within the glyph clusters (the block's
    // rectangle may take in a frame or a neighbouring region).
    long long sum = 0, count = 0;
    for (const Piece* p : pieces)
        for (int y = p->rect.top(); y <= p->rect.bottom(); ++y) {
            const uint8_t* row = grey.constScanLine(y);
            for (int x = p->rect.left(); x <= p->rect.right(); ++x)
                if (std::abs(row[x] - block.background) > kEdgeContrast) {
                    sum += row[x];
                    ++count;
                }
        }
    block.ink = count > 0 ? int(sum / count) : 255 - block.background;
    return block;
}

struct Group {
    QRect rect;
    int background = 0;
    std::vector<const Piece*> pieces;
};

// Groups on one background whose extents overlap are one region: reading them apart would
// read the same text twice.
std::vector<std::vector<const Piece*>>
mergeOverlapping(const std::vector<std::vector<const Piece*>>& pieceGroups) {
    std::vector<Group> groups;
    for (const auto& pieces : pieceGroups) {
        if (pieces.empty())
            continue;
        Group g{pieces.front()->rect, 0, pieces};
        std::vector<int> backgrounds;
        for (const Piece* p : pieces) {
            g.rect = g.rect.united(p->rect);
            backgrounds.push_back(p->background);
        }
        std::nth_element(backgrounds.begin(), backgrounds.begin() + backgrounds.size() / 2,
                         backgrounds.end());
        g.background = backgrounds[backgrounds.size() / 2];
        groups.push_back(std::move(g));
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < groups.size(); ++i)
            for (size_t j = i + 1; j < groups.size();) {
                Group &a = groups[i], &b = groups[j];
                if (!a.rect.intersects(b.rect) ||
                    std::abs(a.background - b.background) > kSameBackground) {
                    ++j;
                    continue;
                }
                if (b.pieces.size() > a.pieces.size())
                    a.background = b.background;
                a.rect = a.rect.united(b.rect);
                a.pieces.insert(a.pieces.end(), b.pieces.begin(), b.pieces.end());
                groups.erase(groups.begin() + j);
                changed = true;
                j = i + 1;
            }
    }
    std::vector<std::vector<const Piece*>> merged;
    for (Group& g : groups)
        merged.push_back(std::move(g.pieces));
    return merged;
}

} // namespace

std::vector<TextBlock> findTextBlocks(const QImage& grey) {
    if (grey.isNull())
        return {};
    std::vector<Piece> pieces;
    for (const QRect& r : clusters(withoutBorders(edges(grey))))
        if (r.height() <= kTallestGlyphCluster)
            pieces.push_back({r, backgroundAround(grey, r)});
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.rect.top() < b.rect.top(); });

    UnionFind sets(pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        const QRect& r = pieces[i].rect;
        const int reach = r.bottom() + 6 * r.height() / 5 + 1;
        for (size_t j = i + 1; j < pieces.size() && pieces[j].rect.top() <= reach; ++j)
            if (belongTogether(pieces[i], pieces[j]))
                sets.unite(i, j);
    }
    std::vector<std::vector<const Piece*>> groups(pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i)
        groups[sets.find(i)].push_back(&pieces[i]);

    std::vector<std::vector<const Piece*>> merged = mergeOverlapping(std::move(groups));
    std::vector<TextBlock> blocks;
    for (const auto& group : merged) {
        const std::optional<TextBlock> block = describe(grey, group);
        // Specks are no text.
        if (block && block->rect.height() >= 5 && block->rect.width() >= 4)
            blocks.push_back(*block);
    }
    std::sort(blocks.begin(), blocks.end(), [](const TextBlock& a, const TextBlock& b) {
        return std::pair(a.rect.top(), a.rect.left()) < std::pair(b.rect.top(), b.rect.left());
    });
    return blocks;
}

} // namespace lumbex
