#include "recognition/recognized_lines.h"
#include "support/qt_printers.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr QSize kImage(1000, 500);

// "hello world" read at (10, 20) of the region, 100 × 10 pixels, its words with their own boxes.
EngineLine helloWorld() {
    return {QStringLiteral("hello world"),
            QRect(10, 20, 100, 10),
            {{QStringLiteral("hello"), QRect(10, 22, 45, 8)},
             {QStringLiteral("world"), QRect(65, 21, 45, 9)}}};
}

TEST(RecognizedLinesTest, WholeLinesAreNormalisedToTheImage) {
    const auto lines =
        recognizedLines({helloWorld()}, QRect(200, 100, 400, 300), kImage, std::nullopt);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "hello world");
    EXPECT_EQ(lines[0].bounds, (Rect{0.21, 0.24, 0.1, 0.02}));
}

TEST(RecognizedLinesTest, OwnedWordsTakeTheirWidthAndTheLinesHeight) {
    const auto words =
        recognizedLines({helloWorld()}, QRect(200, 100, 400, 300), kImage, QRect(0, 0, 1000, 500));
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], (RecognizedLine{"hello", {0.21, 0.24, 0.045, 0.02}}));
    EXPECT_EQ(words[1], (RecognizedLine{"world", {0.265, 0.24, 0.045, 0.02}}));
}

TEST(RecognizedLinesTest, AWordIsKeptOnlyByTheCoreHoldingItsCentre) {
    // Word centres in the image: hello at x 232.5, world at x 287.5, both at y 125.
    struct Case {
        QRect ownership;
        QStringList kept;
    };
    for (const Case& c :
         {Case{QRect(0, 0, 260, 500), {"hello"}}, Case{QRect(260, 0, 740, 500), {"world"}},
          Case{QRect(0, 0, 1000, 125), {}}, // max edge is outside
          Case{QRect(0, 125, 1000, 10), {"hello", "world"}}}) {
        QStringList kept;
        for (const RecognizedLine& word :
             recognizedLines({helloWorld()}, QRect(200, 100, 400, 300), kImage, c.ownership))
            kept << word.text;
        EXPECT_EQ(kept, c.kept) << c.ownership.x() << "," << c.ownership.y();
    }
}

TEST(RecognizedLinesTest, WordsWithoutTextOrBoxAreSkipped) {
    EngineLine line = helloWorld();
    line.words.push_back({QStringLiteral(" "), QRect(120, 20, 5, 5)});
    line.words.push_back({QStringLiteral("lost"), QRect()});
    EXPECT_EQ(
        recognizedLines({line}, QRect(0, 0, 1000, 500), kImage, QRect(0, 0, 1000, 500)).size(), 2u);
}

RecognizedLine at(const char* text, Rect bounds) {
    return {QString::fromUtf8(text), bounds};
}

TEST(MergeTileWordsTest, ReplacesFullPassLinesCoveringMoreThanHalfOfATileWord) {
    const RecognizedLine covering = at("covering", {0.0, 0.0, 0.5, 0.1});
    const RecognizedLine touching = at("touching", {0.6, 0.0, 0.2, 0.1});
    const RecognizedLine half = at("exactly half", {0.0, 0.5, 0.15, 0.1});
    const RecognizedLine elsewhere = at("elsewhere", {0.0, 0.8, 0.3, 0.1});
    const std::vector<RecognizedLine> tileWords = {
        at("inside", {0.1, 0.0, 0.1, 0.1}),   // wholly inside "covering"
        at("edge", {0.75, 0.05, 0.1, 0.1}),   // a quarter under "touching"
        at("straddle", {0.1, 0.5, 0.1, 0.1}), // half under "exactly half"
        at("adjacent", {0.3, 0.8, 0.1, 0.1}), // shares only an edge with "elsewhere"
    };
    const std::vector<RecognizedLine> merged =
        mergeTileWords({covering, touching, half, elsewhere}, tileWords);
    std::vector<RecognizedLine> expected = {touching, half, elsewhere};
    expected.insert(expected.end(), tileWords.begin(), tileWords.end());
    EXPECT_EQ(merged, expected);
}

TEST(MergeTileWordsTest, WithoutTileWordsTheFullPassStays) {
    const std::vector<RecognizedLine> full = {at("one", {0, 0, 0.5, 0.1})};
    EXPECT_EQ(mergeTileWords(full, {}), full);
}

} // namespace
} // namespace lumbex
