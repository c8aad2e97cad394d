#include "library/library_entry.h"
#include "support/library_notes.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

LibraryEntry entryWithNote(const QString& general, const QString& title = QStringLiteral("T")) {
    CaptureNote note = CaptureNote::make();
    note.title = title;
    note.general = general;
    return LibraryEntry::make(note, QStringLiteral("/notes/a.capturenote"));
}

TEST(LibraryEntryTest, WordsMatchSeparatelyIgnoringCaseAndAccents) {
    const LibraryEntry entry = entryWithNote(QStringLiteral("Login fails at the CAFE page"));
    EXPECT_TRUE(entry.matches(QStringLiteral("café login")));
    EXPECT_TRUE(entry.matches(QStringLiteral("  LOGIN\tCafé  ")));
    EXPECT_TRUE(entry.matches(QString()));
    EXPECT_TRUE(entry.matches(QStringLiteral("   ")));
    EXPECT_FALSE(entry.matches(QStringLiteral("café logout")));
}

TEST(LibraryEntryTest, NormalizeFoldsCaseDiacriticsAndWidth) {
    struct Row {
        QString text;
        QString folded;
    };
    const std::vector<Row> rows = {
        {QStringLiteral("CAFÉ"), QStringLiteral("cafe")},
        {QStringLiteral("cafe\u0301"), QStringLiteral("cafe")},
        {QStringLiteral("ＬＯＧＩＮ"), QStringLiteral("login")},
        {QStringLiteral("Straße"), QStringLiteral("strasse")},
        {QStringLiteral("Ångström"), QStringLiteral("angstrom")},
        {QStringLiteral("ｶﾀｶﾅ"),
         QStringLiteral("カタカナ").normalized(QString::NormalizationForm_KD)},
        {QStringLiteral("plain ascii 42"), QStringLiteral("plain ascii 42")},
    };
    for (const Row& row : rows) {
        // Voiced marks of the half-width forms decompose like the full-width ones, so both sides
        // are compared after folding.
        EXPECT_EQ(LibraryEntry::normalize(row.text), LibraryEntry::normalize(row.folded))
            << row.text.toStdString();
    }
    EXPECT_EQ(LibraryEntry::normalize(QStringLiteral("ＬＯＧＩＮ Café")),
              QStringLiteral("login cafe"));
}

TEST(LibraryEntryTest, FullWidthQueryFindsPlainText) {
    const LibraryEntry entry = entryWithNote(QStringLiteral("The login button"));
    EXPECT_TRUE(entry.matches(QStringLiteral("ＬＯＧＩＮ")));
}

TEST(LibraryEntryTest, FragmentsInOrderWithLabels) {
    CaptureNote note = CaptureNote::make();
    note.title = QStringLiteral("Title here");
    note.general = QStringLiteral("General");
    note.notes.push_back(LinkedNote::make());
    note.notes.back().body = QStringLiteral("Second");
    VoiceRecording voice;
    voice.id = newId();
    voice.transcript = QStringLiteral("Spoken words");
    note.recordings = std::vector<VoiceRecording>{voice};
    const LibraryEntry entry = LibraryEntry::make(note, QStringLiteral("/n/x.capturenote"));
    const std::vector<LibraryFragment> expected = {
        {QStringLiteral("Title"), QStringLiteral("Title here")},
        {QStringLiteral("Note"), QStringLiteral("General")},
        {QStringLiteral("Note"), QStringLiteral("Second")},
        {QStringLiteral("Transcript"), QStringLiteral("Spoken words")},
    };
    EXPECT_EQ(entry.fragments, expected);
    EXPECT_EQ(entry.searchText, QStringLiteral("title here\ngeneral\nsecond\nspoken words"));
    EXPECT_EQ(entry.id, note.id);
    EXPECT_EQ(entry.url, QStringLiteral("/n/x.capturenote"));
    EXPECT_TRUE(entry.matches(QStringLiteral("spoken")));
}

TEST(LibraryEntryTest, ExcerptRules) {
    struct Row {
        QString general;
        QString linked;
        std::optional<QString> recognized;
        QString excerpt;
    };
    const std::vector<Row> rows = {
        {{}, {}, std::nullopt, QStringLiteral("No description")},
        {QStringLiteral("  \n\t "), {}, std::nullopt, QStringLiteral("No description")},
        {QStringLiteral(" \n "), QStringLiteral("  Linked\nbody "), std::nullopt,
         QStringLiteral("  Linked body ")},
        {{}, {}, QStringLiteral("Read\nfrom screen"), QStringLiteral("Read from screen")},
        {QStringLiteral("Typed"), {}, QStringLiteral("Read"), QStringLiteral("Typed")},
        {QString(200, u'x'), {}, std::nullopt, QString(180, u'x')},
    };
    for (const Row& row : rows) {
        NotePackageContents contents = test::noteWithImage(row.general);
        if (!row.linked.isEmpty()) {
            contents.note.notes.push_back(LinkedNote::make());
            contents.note.notes.back().body = row.linked;
        }
        if (row.recognized)
            test::recognize(contents.note, *row.recognized, true);
        EXPECT_EQ(LibraryEntry::make(contents.note, {}).excerpt, row.excerpt)
            << row.general.toStdString();
    }
}

TEST(LibraryEntryTest, StaleRecognitionIsNotSearchable) {
    NotePackageContents stale = test::noteWithImage();
    test::recognize(stale.note, QStringLiteral("Invoice overdue"), false);
    const LibraryEntry staleEntry = LibraryEntry::make(stale.note, {});
    EXPECT_FALSE(staleEntry.matches(QStringLiteral("invoice")));
    EXPECT_EQ(staleEntry.excerpt, QStringLiteral("No description"));

    NotePackageContents current = test::noteWithImage();
    test::recognize(current.note, QStringLiteral("Invoice overdue"), true);
    const LibraryEntry currentEntry = LibraryEntry::make(current.note, {});
    EXPECT_TRUE(currentEntry.matches(QStringLiteral("invoice")));
    EXPECT_EQ(currentEntry.matchingExcerpt(QStringLiteral("overdue")),
              QStringLiteral("Recognized text: Invoice overdue"));
}

TEST(LibraryEntryTest, MatchingExcerptWindows) {
    const QString before50 = QString(50, u'a') + QStringLiteral(" needle ") + QString(300, u'b');
    const QString near = QStringLiteral("short needle\ntext");
    struct Row {
        QString text;
        QString query;
        QString expected;
    };
    const std::vector<Row> rows = {
        // No query: the excerpt.
        {near, {}, QStringLiteral("short needle text")},
        // Near the start: from 0, no ellipsis, line breaks as spaces.
        {near, QStringLiteral("NEEDLE"), QStringLiteral("Note: short needle text")},
        // 51 characters in: 40 before, an ellipsis, 160 long.
        {before50, QStringLiteral("needle"), QStringLiteral("Note: …") + before50.mid(11, 160)},
        // The earliest of several words decides.
        {before50, QStringLiteral("bbb needle"), QStringLiteral("Note: …") + before50.mid(11, 160)},
        // Title matches are not shown; the excerpt is.
        {near, QStringLiteral("titleword"), QStringLiteral("short needle text")},
    };
    for (const Row& row : rows) {
        CaptureNote note = CaptureNote::make();
        note.title = QStringLiteral("titleword");
        note.general = row.text;
        EXPECT_EQ(LibraryEntry::make(note, {}).matchingExcerpt(row.query), row.expected)
            << row.query.toStdString();
    }
}

TEST(LibraryEntryTest, MatchingExcerptKeepsComposedCharactersWhole) {
    const QString decomposedE = QStringLiteral("e\u0301");
    const QString family = QStringLiteral("👩\u200D👩\u200D👧\u200D👦");
    for (const QString& piece : {decomposedE, family}) {
        const qsizetype length = piece.size();
        // The window's start (40 before the match) falls `k` characters into the first piece and
        // its end (160 on) `k` characters into the second: both are widened to whole pieces.
        for (qsizetype k = 0; k < length; ++k) {
            const qsizetype first = 20;
            const QString text = QString(first, u'x') + piece + QString(40 - length + k, u'y') +
                                 QStringLiteral("needle") + QString(114 - 2 * k, u'z') + piece +
                                 QString(20, u'w');
            const qsizetype second = first + 160 - k;
            // At offset 0 the end falls just before the second piece, which stays out.
            const qsizetype end = k == 0 ? second : second + length;
            ASSERT_EQ(text.mid(second, length), piece);
            CaptureNote note = CaptureNote::make();
            note.general = text;
            EXPECT_EQ(LibraryEntry::make(note, {}).matchingExcerpt(QStringLiteral("needle")),
                      QStringLiteral("Note: …") + text.mid(first, end - first))
                << "offset " << k << " into a piece of " << length;
        }
    }
}

TEST(LibraryEntryTest, MatchInsideDecomposedTextPointsAtTheOriginal) {
    CaptureNote note = CaptureNote::make();
    note.general = QStringLiteral("Ｆｕｌｌ width and cafe\u0301 au lait");
    const LibraryEntry entry = LibraryEntry::make(note, {});
    EXPECT_TRUE(entry.matches(QStringLiteral("full CAFÉ")));
    EXPECT_EQ(entry.matchingExcerpt(QStringLiteral("café")),
              QStringLiteral("Note: Ｆｕｌｌ width and cafe\u0301 au lait"));
}

} // namespace
} // namespace lumbex
