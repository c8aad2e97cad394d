#include "voice/text_replacement.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct DiffRow {
    const char16_t* before;
    const char16_t* after;
    TextRange range;
    const char16_t* text;
};

class Between : public ::testing::TestWithParam<DiffRow> {};

TEST_P(Between, FindsTheSmallestWholeCharacterChange) {
    const DiffRow& row = GetParam();
    const QString before = QString::fromUtf16(row.before);
    const QString after = QString::fromUtf16(row.after);
    const auto replacement = TextReplacement::between(before, after);
    ASSERT_TRUE(replacement);
    EXPECT_EQ(replacement->range, row.range);
    EXPECT_EQ(replacement->text, QString::fromUtf16(row.text));
    EXPECT_EQ(replacement->appliedTo(before), after);
    EXPECT_EQ(replacement->delta(), after.size() - before.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Between,
    ::testing::Values(DiffRow{u"hello", u"hello world", {5, 0}, u" world"},
                      DiffRow{u"world", u"hello world", {0, 0}, u"hello "},
                      DiffRow{u"hello world", u"hello", {5, 6}, u""},
                      DiffRow{u"abc", u"axc", {1, 1}, u"x"}, DiffRow{u"", u"new", {0, 0}, u"new"},
                      DiffRow{u"gone", u"", {0, 4}, u""},
                      // A repeated letter: the suffix never overlaps the prefix.
                      DiffRow{u"aa", u"aaa", {2, 0}, u"a"}, DiffRow{u"aaa", u"aa", {2, 1}, u""},
                      // Surrogate pairs that share their high half are never split.
                      DiffRow{u"x\U0001F600y", u"x\U0001F601y", {1, 2}, u"\U0001F601"},
                      DiffRow{u"\U0001F600", u"\U0001F600\U0001F600", {2, 0}, u"\U0001F600"},
                      // A combining mark belongs to its letter.
                      DiffRow{u"e\u0301t", u"ext", {0, 2}, u"ex"},
                      DiffRow{u"cafe", u"cafe\u0301", {3, 1}, u"e\u0301"}));

TEST(TextReplacement, EqualTextsNeedNoChange) {
    EXPECT_FALSE(TextReplacement::between(QStringLiteral("same"), QStringLiteral("same")));
    EXPECT_FALSE(TextReplacement::between(QString(), QString()));
}

struct RebaseRow {
    TextReplacement change;
    TextRange range;
    bool include;
    TextRange expected;
};

class Rebase : public ::testing::TestWithParam<RebaseRow> {};

TEST_P(Rebase, MovesTheRangeWithTheChange) {
    const RebaseRow& row = GetParam();
    EXPECT_EQ(row.change.rebase(row.range, row.include), row.expected);
}

const TextReplacement kInsertAt5{{5, 0}, QStringLiteral("abc")};
const TextReplacement kReplace5to10{{5, 5}, QStringLiteral("xy")};

INSTANTIATE_TEST_SUITE_P(
    Rows, Rebase,
    ::testing::Values(
        // Before, after and at the ends of an insertion.
        RebaseRow{kInsertAt5, {0, 3}, false, {0, 3}}, RebaseRow{kInsertAt5, {6, 2}, false, {9, 2}},
        RebaseRow{kInsertAt5, {2, 3}, false, {2, 3}}, RebaseRow{kInsertAt5, {5, 2}, false, {8, 2}},
        RebaseRow{kInsertAt5, {2, 3}, true, {2, 6}}, RebaseRow{kInsertAt5, {5, 2}, true, {5, 5}},
        RebaseRow{kInsertAt5, {3, 4}, false, {3, 4 + 3}},
        RebaseRow{kInsertAt5, {3, 4}, true, {3, 7}}, RebaseRow{kInsertAt5, {5, 0}, false, {8, 0}},
        RebaseRow{kInsertAt5, {5, 0}, true, {5, 3}},
        // A replacement of 5 units by 2.
        RebaseRow{kReplace5to10, {0, 5}, false, {0, 5}},
        RebaseRow{kReplace5to10, {0, 5}, true, {0, 5}},
        RebaseRow{kReplace5to10, {10, 3}, false, {7, 3}},
        RebaseRow{kReplace5to10, {10, 3}, true, {7, 3}},
        RebaseRow{kReplace5to10, {2, 5}, false, {2, 3}},
        RebaseRow{kReplace5to10, {2, 5}, true, {2, 5}},
        RebaseRow{kReplace5to10, {8, 4}, false, {7, 2}},
        RebaseRow{kReplace5to10, {8, 4}, true, {5, 4}},
        RebaseRow{kReplace5to10, {6, 2}, false, {5, 0}},
        RebaseRow{kReplace5to10, {6, 2}, true, {5, 2}},
        RebaseRow{kReplace5to10, {0, 20}, true, {0, 17}},
        RebaseRow{kReplace5to10, {7, 0}, true, {5, 2}},
        RebaseRow{kReplace5to10, {5, 0}, false, {5, 0}}));

struct TouchRow {
    TextReplacement change;
    TextRange range;
    bool touches;
};

class Touches : public ::testing::TestWithParam<TouchRow> {};

TEST_P(Touches, TellsWhichRangesTheChangeReaches) {
    EXPECT_EQ(GetParam().change.touches(GetParam().range), GetParam().touches);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Touches,
    ::testing::Values(TouchRow{kInsertAt5, {0, 5}, true}, TouchRow{kInsertAt5, {5, 3}, true},
                      TouchRow{kInsertAt5, {0, 4}, false}, TouchRow{kInsertAt5, {6, 3}, false},
                      TouchRow{kInsertAt5, {5, 0}, true}, TouchRow{kReplace5to10, {0, 5}, false},
                      TouchRow{kReplace5to10, {10, 2}, false},
                      TouchRow{kReplace5to10, {0, 6}, true}, TouchRow{kReplace5to10, {9, 4}, true},
                      TouchRow{kReplace5to10, {7, 0}, true}, TouchRow{kReplace5to10, {5, 0}, false},
                      TouchRow{kReplace5to10, {10, 0}, false}));

TEST(TextReplacement, OffsetsMoveWithTheChange) {
    EXPECT_EQ(kInsertAt5.rebase(qsizetype(5)), 8);
    EXPECT_EQ(kInsertAt5.rebase(qsizetype(4)), 4);
    EXPECT_EQ(kReplace5to10.rebase(qsizetype(12)), 9);
    EXPECT_EQ(kReplace5to10.rebase(qsizetype(7)), 7);
    EXPECT_EQ(kReplace5to10.rebase(qsizetype(5)), 5);
}

} // namespace
} // namespace lumbex
