#include "recognition/recognition_passes.h"

#include "recognition/recognized_lines.h"
#include "recognition/screen_text_reader.h"
#include "recognition/tile_plan.h"

namespace lumbex {

std::vector<RecognizedLine> readFullImage(TextEngine& engine, const QImage& image) {
    return recognizedLines(readScreenText(engine, image), image.rect(), image.size(), std::nullopt);
}

std::vector<RecognizedLine> readTiles(TextEngine& engine, const QImage& image,
                                      const std::function<void()>& checkCancelled) {
    std::vector<RecognizedLine> words;
    for (const RecognitionTile& tile : recognitionTiles(image.size())) {
        checkCancelled();
        const QImage piece = image.copy(tile.region);
        if (piece.isNull())
            continue;
        // Blocks wholly outside the core can hold no word this tile keeps.
        const QRect core = tile.ownership.translated(-tile.region.topLeft());
        const std::vector<RecognizedLine> kept = recognizedLines(
            readScreenText(engine, piece, core), tile.region, image.size(), tile.ownership);
        words.insert(words.end(), kept.begin(), kept.end());
    }
    return words;
}

} // namespace lumbex
