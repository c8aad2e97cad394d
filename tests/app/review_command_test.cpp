#include "command_line_fixture.h"
#include "model/note_coding.h"
#include "support/pdf_reading.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class ReviewCommandTest : public test::CommandLineTest {
protected:
    void SetUp() override {
        const test::Result created =
            lumbex({"note", "create", image("a.png", 300, 200), image("b.png", 120, 400), "-o",
                    "R.capturenote", "--title", "Review Me"});
        ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        ASSERT_EQ(lumbex({"note", "set", "R.capturenote", "--general", "General words"}).exitCode,
                  0);
        const test::Result marked =
            lumbex({"note", "mark", "R.capturenote", "--image", "1", "--kind", "rectangle",
                    "--start", "10,10", "--end", "60,40", "--note", "Pin words"});
        ASSERT_EQ(marked.exitCode, 0) << marked.err.toStdString();
        QDir(folder.path()).mkdir("out");
    }

    qint64 revision() const {
        return decodeNoteJson(test::fileBytes(folder.path("R.capturenote/note.json"))).revision;
    }
    QStringList outFolder() const {
        return QDir(folder.path("out"))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }
};

TEST_F(ReviewCommandTest, WritesTheReviewOfAPackage) {
    const test::Result r = lumbex({"review-pdf", "R.capturenote", "-o", "out/Review Me.pdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString revisionText = QString::number(revision());
    EXPECT_EQ(r.out, "Mobile PDF exported · Revision " + revisionText + "\n");
    EXPECT_EQ(outFolder(), QStringList{"Review Me.pdf"}) << "no temporary file is left";

    const test::PdfReading pdf(folder.path("out/Review Me.pdf"));
    ASSERT_TRUE(pdf.isOpen());
    EXPECT_EQ(pdf.pageSize(0), QSizeF(420, 594));
    const QString text = pdf.allText();
    for (const QString& part : {QString("Lumbex · Review Me"), "r" + revisionText + " · Page 1",
                                QString("General words"), QString("Image 1"), QString("Image 2"),
                                QString("1. Location note"), QString("Pin words")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString();
}

TEST_F(ReviewCommandTest, ExportingAgainInOtherProcessesGivesTheSameBytes) {
    // Bold and regular text, so that the order of embedded fonts could vary between processes.
    ASSERT_EQ(lumbex({"review-pdf", "R.capturenote", "-o", "out/first.pdf"}).exitCode, 0);
    const QByteArray first = test::fileBytes(folder.path("out/first.pdf"));
    ASSERT_TRUE(first.startsWith("%PDF-"));
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(lumbex({"review-pdf", "R.capturenote", "-o", "out/again.pdf"}).exitCode, 0);
        EXPECT_EQ(first, test::fileBytes(folder.path("out/again.pdf"))) << i;
    }
}

TEST_F(ReviewCommandTest, ReplacesAnExistingFileButNeverWritesThroughALink) {
    const QString victim = folder.write("victim.txt", "keep me");
    folder.write("out/old.pdf", "old bytes");
    ASSERT_TRUE(QFile::link(victim, folder.path("out/linked.pdf")));
    ASSERT_EQ(lumbex({"review-pdf", "R.capturenote", "-o", "out/old.pdf"}).exitCode, 0);
    ASSERT_EQ(lumbex({"review-pdf", "R.capturenote", "-o", "out/linked.pdf"}).exitCode, 0);
    EXPECT_TRUE(test::fileBytes(folder.path("out/old.pdf")).startsWith("%PDF-"));
    EXPECT_FALSE(QFileInfo(folder.path("out/linked.pdf")).isSymLink());
    EXPECT_TRUE(test::fileBytes(folder.path("out/linked.pdf")).startsWith("%PDF-"));
    EXPECT_EQ(test::fileBytes(victim), "keep me");
}

TEST_F(ReviewCommandTest, ADamagedPackageKeepsThePreviousReview) {
    folder.write("out/R.pdf", "previous review");
    const CaptureNote note =
        decodeNoteJson(test::fileBytes(folder.path("R.capturenote/note.json")));
    QFile::remove(folder.path("R.capturenote/assets/" + note.media[1].filename()));
    const test::Result r = lumbex({"review-pdf", "R.capturenote", "-o", "out/R.pdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(test::fileBytes(folder.path("out/R.pdf")), "previous review");
    EXPECT_EQ(outFolder(), QStringList{"R.pdf"});
}

TEST_F(ReviewCommandTest, BadArgumentsAreUsageErrorsAndAMissingFolderIsRefused) {
    EXPECT_EQ(lumbex({"review-pdf", "R.capturenote"}).exitCode, 2);
    EXPECT_EQ(lumbex({"review-pdf", "-o", "out/x.pdf"}).exitCode, 2);
    const test::Result missing = lumbex({"review-pdf", "R.capturenote", "-o", "nowhere/x.pdf"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "The folder for “x.pdf” does not exist.\n");
    const test::Result folderTarget = lumbex({"review-pdf", "R.capturenote", "-o", "out"});
    EXPECT_EQ(folderTarget.exitCode, 1);
    EXPECT_EQ(folderTarget.err, "“out” is a folder. Choose a file name for the PDF.\n");
    EXPECT_TRUE(outFolder().isEmpty());
}

} // namespace
} // namespace lumbex
