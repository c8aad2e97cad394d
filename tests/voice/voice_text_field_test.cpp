#include "voice/voice_text_field.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr TextRange kNoSelection{-1, 0};

// A text field with a session writing into it.
struct Field {
    QString text;
    VoiceTextField voice;

    explicit Field(const QString& body) : text(body), voice(VoiceDraft(body, kNoSelection)) {}

    void result(const QString& words, int segment, bool isFinal) {
        if (auto written = voice.receive(words, text, segment, isFinal))
            text = *written;
    }
    std::optional<std::size_t> type(const QString& newText, double at, bool composing = false) {
        text = newText;
        auto step = voice.userEdited(newText, composing, at);
        if (!composing) {
            if (auto written = voice.resume(text))
                text = *written;
        }
        return step;
    }
};

TEST(VoiceTextField, ResultsDuringACompositionWaitForItsEnd) {
    Field field(QStringLiteral("Note"));
    field.result(QStringLiteral("one"), 0, false);
    ASSERT_EQ(field.text, "Note one");
    field.voice.beginComposition();
    field.result(QStringLiteral("two"), 1, false);
    field.result(QStringLiteral("one!"), 0, true);
    field.result(QStringLiteral("two three"), 1, true);
    EXPECT_EQ(field.text, "Note one");
    EXPECT_TRUE(field.voice.hasDeferredText());
    EXPECT_EQ(field.voice.deferredText().size(), 2u);
    // The composition commits a character at the end of the text.
    field.type(QStringLiteral("Note one\u3042"), 0.0, true);
    EXPECT_EQ(field.text, "Note one\u3042");
    field.type(QStringLiteral("Note one\u3042"), 0.1, false);
    EXPECT_FALSE(field.voice.hasDeferredText());
    EXPECT_FALSE(field.voice.composing());
    // The typed character joined segment 0, so only segment 1 is written, in order after it.
    EXPECT_EQ(field.text, "Note one\u3042 two three");
}

TEST(VoiceTextField, HeldResultsGoInBySegmentOrder) {
    Field field{QString()};
    field.voice.beginComposition();
    field.result(QStringLiteral("second"), 1, true);
    field.result(QStringLiteral("first"), 0, true);
    EXPECT_EQ(field.text, "");
    const auto written = field.voice.resume(field.text);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, "first second");
}

TEST(VoiceTextField, ALaterResultReplacesTheHeldOne) {
    Field field{QString()};
    field.voice.beginComposition();
    field.result(QStringLiteral("go"), 0, false);
    field.result(QStringLiteral("go forward"), 0, true);
    ASSERT_EQ(field.voice.deferredText().size(), 1u);
    EXPECT_EQ(field.voice.deferredText().at(0).text, "go forward");
    EXPECT_EQ(*field.voice.resume(field.text), "go forward");
}

TEST(VoiceTextField, FreezingDropsHeldResultsAndStopsWriting) {
    Field field(QStringLiteral("abc"));
    field.voice.beginComposition();
    field.result(QStringLiteral("one"), 0, false);
    field.voice.freeze();
    EXPECT_FALSE(field.voice.hasDeferredText());
    EXPECT_FALSE(field.voice.resume(field.text));
    field.result(QStringLiteral("two"), 1, true);
    EXPECT_EQ(field.text, "abc");
    EXPECT_TRUE(field.voice.draft().frozen);
}

struct Keystroke {
    const char16_t* text;
    double at;
};

struct CoalescingRow {
    const char* name;
    std::vector<Keystroke> keys;
    std::size_t steps;
};

class Coalescing : public ::testing::TestWithParam<CoalescingRow> {};

TEST_P(Coalescing, JoinsQuickContinuedTypingIntoOneStep) {
    Field field(QStringLiteral("ab"));
    for (const Keystroke& key : GetParam().keys)
        field.type(QString::fromUtf16(key.text), key.at);
    EXPECT_EQ(field.voice.undoSteps().size(), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Coalescing,
    ::testing::Values(
        CoalescingRow{"QuickTypingIsOneStep", {{u"abc", 0.0}, {u"abcd", 0.5}, {u"abcde", 1.2}}, 1},
        CoalescingRow{"APauseOfASecondStartsANewStep", {{u"abc", 0.0}, {u"abcd", 1.0}}, 2},
        CoalescingRow{"TypingElsewhereStartsANewStep", {{u"abc", 0.0}, {u"Xabc", 0.1}}, 2},
        CoalescingRow{"BackspacingContinues", {{u"abc", 0.0}, {u"ab", 0.3}, {u"a", 0.6}}, 1},
        CoalescingRow{"AnUnchangedTextRecordsNothing", {{u"ab", 0.0}}, 0},
        CoalescingRow{"AClockThatWentBackStartsANewStep", {{u"abc", 5.0}, {u"abcd", 4.0}}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VoiceTextField, BreakingCoalescingStartsANewStep) {
    Field field(QStringLiteral("ab"));
    EXPECT_EQ(field.type(QStringLiteral("abc"), 0.0), 0u);
    field.voice.breakCoalescing();
    EXPECT_FALSE(field.voice.coalescingEdit());
    EXPECT_EQ(field.type(QStringLiteral("abcd"), 0.1), 1u);
    field.voice.stopFollowing();
    EXPECT_FALSE(field.voice.draft().followsVoice);
    EXPECT_EQ(field.type(QStringLiteral("abcde"), 0.2), 2u);
    ASSERT_TRUE(field.voice.coalescingEdit());
    EXPECT_EQ(field.voice.coalescingEdit()->nextInsertion, 5);
}

TEST(VoiceTextField, UndoingTypingKeepsTheDictatedWords) {
    Field field(QStringLiteral("Note"));
    field.result(QStringLiteral("one"), 0, true);
    ASSERT_EQ(field.text, "Note one");
    field.type(QStringLiteral("Xx Note one"), 0.0);
    field.result(QStringLiteral("two"), 1, false);
    ASSERT_EQ(field.text, "Xx Note one two");
    ASSERT_EQ(field.voice.undoSteps().size(), 1u);
    const TextUndo& step = *field.voice.undoSteps().front();
    EXPECT_EQ(step.before.visible, "Note one two");
    EXPECT_EQ(step.after.visible, "Xx Note one two");
    // Undo: the field shows the step's `before` and later results keep landing in it.
    field.voice.restore(step.before);
    field.text = step.before.visible;
    field.result(QStringLiteral("two three"), 1, true);
    EXPECT_EQ(field.text, "Note one two three");
}

TEST(VoiceTextField, TheStepRemembersComposition) {
    Field field(QStringLiteral("a"));
    field.type(QStringLiteral("a\u3042"), 0.0, true);
    ASSERT_EQ(field.voice.undoSteps().size(), 1u);
    EXPECT_TRUE(field.voice.undoSteps().front()->composing);
    EXPECT_TRUE(field.voice.composing());
}

} // namespace
} // namespace lumbex
