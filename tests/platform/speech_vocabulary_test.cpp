#include "platform/letter_sounds.h"
#include "platform/speech_vocabulary.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct TextCase {
    const char* text;
    std::vector<QStringList> phrases;
};

class VocabularyCases : public testing::TestWithParam<TextCase> {};

TEST_P(VocabularyCases, SplitsTextsIntoPhrasesOfWords) {
    EXPECT_EQ(SpeechVocabulary::fromTexts({QString::fromUtf8(GetParam().text)}).phrases,
              GetParam().phrases);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VocabularyCases,
    testing::Values(TextCase{"The navbar overlaps the Settings button",
                             {{"the", "navbar", "overlaps", "the", "settings", "button"}}},
                    TextCase{"SettingsView.swift", {{"settings", "view", "swift"}}},
                    TextCase{"HTTPServer_config2", {{"http", "server", "config"}}},
                    TextCase{"Fix it. Then ship!\nNext line",
                             {{"fix", "it"}, {"then", "ship"}, {"next", "line"}}},
                    TextCase{"the user's 'quoted' words", {{"the", "user", "quoted", "words"}}},
                    TextCase{"a b 123 — x", {}}, TextCase{"Größe ändern", {{"größe", "ändern"}}},
                    TextCase{"", {}}));

TEST(SpeechVocabularyTest, WordsAreDistinctInFirstSeenOrder) {
    const auto vocabulary = SpeechVocabulary::fromTexts({"Login button", "button login toggle"});
    EXPECT_EQ(vocabulary.words(), (QStringList{"login", "button", "toggle"}));
    EXPECT_FALSE(vocabulary.empty());
    EXPECT_TRUE(SpeechVocabulary::fromTexts({"1 2 3"}).empty());
}

struct PhoneCase {
    const char* word;
    const char* phones;
};

class LetterSoundCases : public testing::TestWithParam<PhoneCase> {};

TEST_P(LetterSoundCases, SpellsOutAPronunciation) {
    EXPECT_EQ(guessPhones(QString::fromUtf8(GetParam().word)), GetParam().phones);
}

INSTANTIATE_TEST_SUITE_P(Table, LetterSoundCases,
                         testing::Values(PhoneCase{"navbar", "N AE V B AA R"},
                                         PhoneCase{"lumbex", "L AH M B EH K S"},
                                         PhoneCase{"xcode", "Z K AA D"},
                                         PhoneCase{"chat", "CH AE T"}, PhoneCase{"cite", "S IH T"},
                                         PhoneCase{"kotlin", "K AA T L IH N"},
                                         PhoneCase{"ёж", ""}));

} // namespace
} // namespace lumbex
