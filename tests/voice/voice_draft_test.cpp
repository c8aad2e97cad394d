#include "voice/voice_draft.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

constexpr TextRange kNoSelection{-1, 0};

struct Result {
    const char16_t* text;
    int segment;
    bool isFinal;
};

struct DictationRow {
    const char* name;
    const char16_t* body;
    TextRange selection;
    std::vector<Result> results;
    const char16_t* expected;
    qsizetype caret;
};

class Dictation : public ::testing::TestWithParam<DictationRow> {};

TEST_P(Dictation, PutsTheWordsAtTheCursor) {
    const DictationRow& row = GetParam();
    VoiceDraft draft(QString::fromUtf16(row.body), row.selection);
    QString field = draft.visible;
    for (const Result& result : row.results) {
        if (auto text = draft.update(QString::fromUtf16(result.text), field, result.segment,
                                     result.isFinal))
            field = *text;
    }
    EXPECT_EQ(field, QString::fromUtf16(row.expected));
    EXPECT_EQ(draft.visible, field);
    EXPECT_EQ(draft.caret, row.caret);
    EXPECT_FALSE(draft.frozen);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Dictation,
    ::testing::Values(
        DictationRow{"AfterALetterOneSpace",
                     u"Button",
                     kNoSelection,
                     {{u"is misaligned", 0, true}},
                     u"Button is misaligned",
                     20},
        DictationRow{"FullStopAttaches",
                     u"Button",
                     kNoSelection,
                     {{u"is off", 0, true}, {u". Fix it", 1, true}},
                     u"Button is off. Fix it",
                     21},
        DictationRow{"EveryAttachingCharacter",
                     u"a",
                     kNoSelection,
                     {{u"b", 0, true},
                      {u",c", 1, true},
                      {u"!d", 2, true},
                      {u"?e", 3, true},
                      {u";f", 4, true},
                      {u":g", 5, true},
                      {u")h", 6, true},
                      {u"]i", 7, true},
                      {u"}j", 8, true},
                      {u"(k", 9, true}},
                     u"a b,c!d?e;f:g)h]i}j (k",
                     22},
        DictationRow{"EmptyTextGetsWordsAlone",
                     u"",
                     kNoSelection,
                     {{u"  go forward ten meters \n", 0, true}},
                     u"go forward ten meters",
                     21},
        DictationRow{"AfterWhitespaceNoSpace",
                     u"Note: ",
                     kNoSelection,
                     {{u"hello", 0, false}},
                     u"Note: hello",
                     11},
        DictationRow{
            "AfterNewlineNoSpace", u"Line\n", kNoSelection, {{u"next", 0, true}}, u"Line\nnext", 9},
        DictationRow{"BeforeALetterTrailingSpace", u"ab", {1, 0}, {{u"X", 0, true}}, u"a X b", 3},
        DictationRow{"LaterSegmentsNoTrailing",
                     u"ab",
                     {1, 0},
                     {{u"X", 0, true}, {u"Y", 1, true}},
                     u"a X Y b",
                     5},
        DictationRow{
            "AtStartBeforeText", u"world", {0, 0}, {{u"Hello", 0, true}}, u"Hello world", 5},
        DictationRow{"BeforeASpaceNoTrailing", u"a b", {1, 0}, {{u"X", 0, true}}, u"a X b", 3},
        DictationRow{"SelectionIsKept",
                     u"keep this text",
                     {5, 4},
                     {{u"here", 0, true}},
                     u"keep this here text",
                     14},
        DictationRow{
            "SelectionPastTheEndIsClamped", u"abc", {2, 40}, {{u"d", 0, true}}, u"abc d", 5},
        DictationRow{"VolatileThenFinalReplaces",
                     u"",
                     kNoSelection,
                     {{u"go", 0, false}, {u"go for", 0, false}, {u"go forward", 0, true}},
                     u"go forward",
                     10},
        DictationRow{"EmptyLaterResultRemovesWordsAndSpace",
                     u"Text",
                     kNoSelection,
                     {{u"um", 0, false}, {u"", 0, true}},
                     u"Text",
                     4},
        DictationRow{"EmptyResultThenWordsAgain",
                     u"Text",
                     kNoSelection,
                     {{u"um", 0, false}, {u" ", 0, false}, {u"yes", 0, true}},
                     u"Text yes",
                     8},
        DictationRow{
            "EmptyNewSegmentChangesNothing", u"Text", kNoSelection, {{u"  ", 0, true}}, u"Text", 4},
        DictationRow{"SegmentsInOrder",
                     u"",
                     kNoSelection,
                     {{u"one", 0, true}, {u"two", 1, false}, {u"two three", 1, true}},
                     u"one two three",
                     13},
        DictationRow{"EarlierSegmentGrowsLaterMoves",
                     u"",
                     kNoSelection,
                     {{u"one", 0, false}, {u"two", 1, false}, {u"one and", 0, true}},
                     u"one and two",
                     11},
        DictationRow{"SurrogatePairsCountAsTwo",
                     u"\U0001F600",
                     kNoSelection,
                     {{u"smile \U0001F601", 0, true}},
                     u"\U0001F600 smile \U0001F601",
                     11}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VoiceDraft, TypingInsideASpanKeepsTheUsersWording) {
    VoiceDraft draft(QString(), kNoSelection);
    QString field = *draft.update(QStringLiteral("one"), QString(), 0, false);
    field = *draft.update(QStringLiteral("two"), field, 1, false);
    ASSERT_EQ(field, "one two");
    field = QStringLiteral("onX two");
    draft.userEdited(field);
    EXPECT_EQ(draft.protectedSegments(), QList<int>{0});
    EXPECT_FALSE(draft.followsVoice);
    EXPECT_FALSE(draft.update(QStringLiteral("one more"), field, 0, true));
    EXPECT_TRUE(draft.spans[0].final);
    auto text = draft.update(QStringLiteral("two words"), field, 1, true);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "onX two words");
}

TEST(VoiceDraft, TypingBeforeTheSpansMovesThem) {
    VoiceDraft draft(QStringLiteral("ab"), kNoSelection);
    QString field = *draft.update(QStringLiteral("one"), draft.visible, 0, false);
    ASSERT_EQ(field, "ab one");
    field = QStringLiteral("XYab one");
    draft.userEdited(field);
    EXPECT_TRUE(draft.protectedSegments().isEmpty());
    EXPECT_EQ(draft.spans[0].range, (TextRange{4, 4}));
    EXPECT_EQ(*draft.update(QStringLiteral("one two"), field, 0, true), "XYab one two");
}

TEST(VoiceDraft, TypingAtASpansEndJoinsIt) {
    VoiceDraft draft(QString(), kNoSelection);
    QString field = *draft.update(QStringLiteral("one"), QString(), 0, false);
    field = *draft.update(QStringLiteral("two"), field, 1, false);
    field = QStringLiteral("one two!");
    draft.userEdited(field);
    EXPECT_EQ(draft.protectedSegments(), QList<int>{1});
    EXPECT_EQ(draft.spans[1].range, (TextRange{3, 5}));
    // The edited span keeps its text; the other keeps updating and the edited one moves.
    field = *draft.update(QStringLiteral("uno"), field, 0, true);
    EXPECT_EQ(field, "uno two!");
    EXPECT_EQ(draft.spans[1].range, (TextRange{3, 5}));
}

TEST(VoiceDraft, TypingAtASpansStartJoinsIt) {
    VoiceDraft draft(QStringLiteral("x"), kNoSelection);
    QString field = *draft.update(QStringLiteral("one"), draft.visible, 0, false);
    ASSERT_EQ(field, "x one");
    field = QStringLiteral("x- one");
    draft.userEdited(field);
    EXPECT_EQ(draft.protectedSegments(), QList<int>{0});
    EXPECT_EQ(draft.spans[0].range, (TextRange{1, 5}));
}

TEST(VoiceDraft, DeletingAcrossTwoSpansMarksBoth) {
    VoiceDraft draft(QString(), kNoSelection);
    QString field = *draft.update(QStringLiteral("one"), QString(), 0, false);
    field = *draft.update(QStringLiteral("two"), field, 1, false);
    field = *draft.update(QStringLiteral("three"), field, 2, false);
    ASSERT_EQ(field, "one two three");
    field = QStringLiteral("onwo three");
    draft.userEdited(field);
    EXPECT_EQ(draft.protectedSegments(), (QList<int>{0, 1}));
    EXPECT_EQ(*draft.update(QStringLiteral("three four"), field, 2, true), "onwo three four");
}

TEST(VoiceDraft, ChangesBehindItsBackFreezeIt) {
    VoiceDraft draft(QString(), kNoSelection);
    const QString field = *draft.update(QStringLiteral("one"), QString(), 0, false);
    EXPECT_FALSE(draft.update(QStringLiteral("one two"), QStringLiteral("replaced"), 0, false));
    EXPECT_TRUE(draft.frozen);
    EXPECT_EQ(draft.visible, field);
    EXPECT_FALSE(draft.provisionalRange());
    EXPECT_FALSE(draft.update(QStringLiteral("one two"), field, 0, true));
}

TEST(VoiceDraft, ProvisionalRangeIsTheLastUnsettledSpan) {
    VoiceDraft draft(QString(), kNoSelection);
    EXPECT_FALSE(draft.provisionalRange());
    QString field = *draft.update(QStringLiteral("one"), QString(), 0, false);
    EXPECT_EQ(draft.provisionalRange(), (TextRange{0, 3}));
    field = draft.update(QStringLiteral("one"), field, 0, true).value_or(field);
    EXPECT_FALSE(draft.provisionalRange());
    field = *draft.update(QStringLiteral("two"), field, 1, false);
    EXPECT_EQ(draft.provisionalRange(), (TextRange{3, 4}));
    field = *draft.update(QString(), field, 1, false);
    EXPECT_FALSE(draft.provisionalRange());
    field = *draft.update(QStringLiteral("two"), field, 1, false);
    draft.userEdited(field + QStringLiteral("s"));
    EXPECT_FALSE(draft.provisionalRange());
}

TEST(VoiceDraft, CaretFollowsTheLastSpan) {
    VoiceDraft draft(QStringLiteral("abc"), {0, 1});
    EXPECT_EQ(draft.caret, 1);
    EXPECT_EQ(draft.insertion, 1);
    const QString field = *draft.update(QStringLiteral("x"), draft.visible, 0, true);
    EXPECT_EQ(field, "a x bc");
    EXPECT_EQ(draft.caret, 3);
    EXPECT_TRUE(draft.followsVoice);
}

TEST(VoiceDraft, TypingBeforeTheFirstWordsMovesTheInsertion) {
    VoiceDraft draft(QStringLiteral("ab"), {1, 0});
    draft.userEdited(QStringLiteral("aXYb"));
    EXPECT_EQ(draft.insertion, 3);
    EXPECT_EQ(*draft.update(QStringLiteral("w"), draft.visible, 0, true), "aXY w b");
}

} // namespace
} // namespace lumbex
