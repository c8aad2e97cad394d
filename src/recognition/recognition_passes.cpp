#include "recognition/recognition_passes.h"

#include "recognition/recognized_lines.h"
#include "recognition/screen_text_reader.h"
#include "recognition/tile_plan.h"

#include <map>

namespace lumbex {
namespace {

// A pass over the whole image or over one tile, and the blocks it reads.
struct Pass {
    QRect region;
    std::optional<QRect> ownership;
    std::vector<BlockReading> readings;
};

std::vector<Pass> plannedPasses(const QImage& image, bool withTiles) {
    std::vector<Pass> passes{{image.rect(), std::nullopt, screenTextReadings(image)}};
    if (!withTiles)
        return passes;
    for (const RecognitionTile& tile : recognitionTiles(image.size())) {
        const QImage piece = image.copy(tile.region);
        if (piece.isNull())
            continue;
        // Blocks wholly outside the core can hold no word this tile keeps.
        const QRect core = tile.ownership.translated(-tile.region.topLeft());
        passes.push_back({tile.region, tile.ownership, screenTextReadings(piece, core)});
    }
    return passes;
}

// Below this mean word confidence (0 to 100) a block read in the first language is probably in
// another script. Judged over a whole block, not a band: a few lines of symbols score low alone.
constexpr double kConfidentReading = 60;

class Confidence {
public:
    void add(const std::vector<EngineLine>& lines) {
        for (const EngineLine& line : lines)
            for (const EngineWord& word : line.words) {
                sum_ += word.confidence;
                ++words_;
            }
    }
    bool low() const { return words_ > 0 && mean() < kConfidentReading; }
    double mean() const { return words_ ? sum_ / words_ : 0; }

private:
    double sum_ = 0;
    int words_ = 0;
};

// What the engine read for each task in its first language; the tasks of a group (the bands of
// one block) it read with little confidence are read again with all languages, and the group
// keeps the more confident of its two readings.
std::vector<std::vector<EngineLine>> readInLanguages(ReadingCrew& crew,
                                                     const std::vector<EngineTask>& tasks,
                                                     const std::vector<int>& groups) {
    std::vector<std::vector<EngineLine>> read = crew.read(tasks);
    std::map<int, Confidence> first, second;
    for (size_t i = 0; i < tasks.size(); ++i)
        first[groups[i]].add(read[i]);
    std::vector<EngineTask> again;
    std::vector<size_t> againOf;
    for (size_t i = 0; i < tasks.size(); ++i)
        if (first[groups[i]].low()) {
            again.push_back(tasks[i]);
            again.back().languages = ReadingLanguages::All;
            againOf.push_back(i);
        }
    if (again.empty())
        return read;
    std::vector<std::vector<EngineLine>> reread = crew.read(again);
    for (size_t k = 0; k < again.size(); ++k)
        second[groups[againOf[k]]].add(reread[k]);
    for (size_t k = 0; k < again.size(); ++k) {
        const int group = groups[againOf[k]];
        if (second[group].mean() > first[group].mean())
            read[againOf[k]] = std::move(reread[k]);
    }
    return read;
}

// The lines of each pass, normalised to the whole image.
std::vector<std::vector<RecognizedLine>> readPasses(ReadingCrew& crew, const QImage& image,
                                                    const std::vector<Pass>& passes) {
    std::vector<EngineTask> tasks;
    std::vector<int> blocks;
    int blocksBefore = 0;
    for (const Pass& pass : passes) {
        int passBlocks = 0;
        for (const BlockReading& reading : pass.readings) {
            tasks.push_back(reading.task);
            blocks.push_back(blocksBefore + reading.block);
            passBlocks = std::max(passBlocks, reading.block + 1);
        }
        blocksBefore += passBlocks;
    }
    const std::vector<std::vector<EngineLine>> read = readInLanguages(crew, tasks, blocks);
    std::vector<std::vector<RecognizedLine>> lines;
    size_t task = 0;
    for (const Pass& pass : passes) {
        std::vector<EngineLine> placed;
        for (const BlockReading& reading : pass.readings) {
            const std::vector<EngineLine> block = placedLines(reading, read[task++]);
            placed.insert(placed.end(), block.begin(), block.end());
        }
        lines.push_back(recognizedLines(placed, pass.region, image.size(), pass.ownership));
    }
    return lines;
}

} // namespace

std::vector<RecognizedLine> readFullImage(ReadingCrew& crew, const QImage& image) {
    return readPasses(crew, image, plannedPasses(image, false)).front();
}

std::vector<RecognizedLine> readImageText(ReadingCrew& crew, const QImage& image) {
    const bool withTiles = needsTilePass(image.size());
    const std::vector<std::vector<RecognizedLine>> passes =
        readPasses(crew, image, plannedPasses(image, withTiles));
    if (!withTiles)
        return passes.front();
    std::vector<RecognizedLine> tileWords;
    for (size_t tile = 1; tile < passes.size(); ++tile)
        tileWords.insert(tileWords.end(), passes[tile].begin(), passes[tile].end());
    return mergeTileWords(passes.front(), tileWords);
}

} // namespace lumbex
