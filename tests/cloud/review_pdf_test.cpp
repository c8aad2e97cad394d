#include "cloud/pdf_stamp.h"
#include "cloud/review_content.h"
#include "cloud/review_pages.h"
#include "cloud/review_pdf.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/recording_keys.h"
#include "support/pdf_reading.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDateTime>
#include <QPdfWriter>
#include <QThread>
#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::PdfReading;

// 2024-05-01 13:45:10 UTC and a day later, as note dates.
const Date kCreated = 1714571110.0 - kReferenceDateUnixSeconds;
const Date kModified = kCreated + 86400 + 0.75;

std::string thrown(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

QByteArray solidPng(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return ImageFiles::encode(image, false);
}

class ReviewPdfTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    CaptureNote note = makeNote();
    std::map<Id, QByteArray> originals;

    static CaptureNote makeNote() {
        CaptureNote n = CaptureNote::make();
        n.title = QStringLiteral("Project Cards");
        n.createdAt = kCreated;
        n.modifiedAt = kModified;
        n.revision = 12;
        return n;
    }

    Media& addImage(int width, int height, QColor color = Qt::darkCyan) {
        const QByteArray png = solidPng(width, height, color);
        Media media;
        media.id = newId();
        media.name = QStringLiteral("Image");
        media.width = width;
        media.height = height;
        media.sha256 = ImageFiles::hash(png);
        originals[media.id] = png;
        return note.media.emplace_back(media);
    }

    LinkedNote& addNote(const QString& body) {
        LinkedNote& linked = note.notes.emplace_back(LinkedNote::make());
        linked.body = body;
        return linked;
    }

    Mark& addMark(const Media& media) {
        Mark& mark = note.marks.emplace_back();
        mark.id = newId();
        mark.mediaID = media.id;
        mark.kind = MarkKind::Rectangle;
        mark.start = {2, 2};
        mark.end = {10, 10};
        return mark;
    }

    // A ten-second recording with a current frame at 2 s.
    void addRecording() {
        ScreenRecording recording = ScreenRecording::make();
        RecordingSegment segment;
        segment.id = newId();
        segment.width = 640;
        segment.height = 400;
        segment.duration = 10'000'000;
        recording.segments.push_back(segment);
        note.screenRecording = recording;
        addImage(64, 40).recordingFrame = RecordingFrame{2'000'000, visualKey(recording)};
    }

    QString write(const QString& name = QStringLiteral("review.pdf"),
                  const QString& revision = QStringLiteral("r12")) {
        const QString path = folder.path(name);
        writeReviewPdf(note, originals, revision, path);
        return path;
    }
};

TEST(ReviewDate, IsUtcWithWholeSecondsAndNoZone) {
    const std::vector<std::pair<Date, QString>> rows = {
        {kCreated, QStringLiteral("2024-05-01 13:45:10")},
        {kCreated + 0.999, QStringLiteral("2024-05-01 13:45:10")},
        {0, QStringLiteral("2001-01-01 00:00:00")},
        {-1, QStringLiteral("2000-12-31 23:59:59")},
        {kCreated + 36000, QStringLiteral("2024-05-01 23:45:10")},
    };
    for (const auto& [date, text] : rows)
        EXPECT_EQ(reviewDate(date), text) << date;
}

TEST_F(ReviewPdfTest, EveryPageHasTheReviewSizeHeaderAndFooter) {
    addImage(800, 500);
    addNote(QString(QStringLiteral("A long note. ")).repeated(400));
    const PdfReading pdf(write());
    ASSERT_TRUE(pdf.isOpen());
    ASSERT_GE(pdf.pages(), 2);
    for (int i = 0; i < pdf.pages(); ++i) {
        EXPECT_EQ(pdf.pageSize(i), QSizeF(420, 594)) << i;
        const QString text = pdf.text(i);
        EXPECT_TRUE(text.contains(QStringLiteral("Lumbex · Project Cards"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("r12 · Page ") + QString::number(i + 1))) << i;
    }
}

TEST_F(ReviewPdfTest, HeaderAndFooterSitOnTheirBaselinesAtTheLeftMargin) {
    addImage(80, 50);
    const PdfReading pdf(write());
    const auto words = pdf.words(0);
    const auto find = [&](const QString& text) {
        for (const auto& word : words)
            if (word.text == text)
                return word.box;
        return QRectF();
    };
    // Boxes are measured from the top: baseline 569 from the bottom is 25 from the top.
    const QRectF header = find(QStringLiteral("Lumbex"));
    ASSERT_FALSE(header.isNull());
    EXPECT_NEAR(header.left(), 28, 1);
    EXPECT_LT(header.top(), 25);
    EXPECT_GT(header.bottom(), 24);
    EXPECT_LT(header.bottom(), 29);
    const QRectF footer = find(QStringLiteral("r12"));
    ASSERT_FALSE(footer.isNull());
    EXPECT_NEAR(footer.left(), 28, 1);
    EXPECT_LT(footer.top(), 574);
    EXPECT_GT(footer.bottom(), 573);
    EXPECT_LT(footer.bottom(), 578);
}

TEST_F(ReviewPdfTest, ALongHeaderTitleIsCutToTheColumn) {
    note.title = QString(QStringLiteral("Wide title ")).repeated(20);
    addImage(80, 50);
    const PdfReading pdf(write());
    double right = 0;
    for (const auto& word : pdf.words(0))
        if (word.box.top() < 30)
            right = std::max(right, word.box.right());
    EXPECT_GT(right, 300);
    EXPECT_LE(right, 28 + 364 + 1);
    EXPECT_TRUE(pdf.text(0).contains(QStringLiteral("…")));
}

TEST_F(ReviewPdfTest, ContentComesInReadingOrder) {
    note.general = QStringLiteral("General words here");
    const Media first = addImage(120, 80);
    addImage(90, 60);
    addMark(first);
    addNote(QStringLiteral("Pin words here")).markID = note.marks.back().id;
    addNote(QStringLiteral("   "));
    addNote(QStringLiteral("Loose words here"));
    const PdfReading pdf(write());
    const QString text = pdf.allText();
    const QStringList expected = {
        QStringLiteral("Project Cards"),
        QStringLiteral("Created 2024-05-01 13:45:10"),
        QStringLiteral("Updated 2024-05-02 13:45:10"),
        QStringLiteral("Revision 12"),
        QStringLiteral("General note"),
        QStringLiteral("General words here"),
        QStringLiteral("Image 1"),
        QStringLiteral("Image 2"),
        QStringLiteral("1. Location note"),
        QStringLiteral("Pin words here"),
        QStringLiteral("3. Unlinked note"),
        QStringLiteral("Loose words here"),
    };
    // The title also opens the running header; the content's order starts after it.
    qsizetype at = text.indexOf(QStringLiteral("Lumbex · Project Cards")) + 22;
    for (const QString& part : expected) {
        const qsizetype next = text.indexOf(part, at);
        ASSERT_GE(next, 0) << part.toStdString() << " after " << at << " in\n"
                           << text.toStdString();
        at = next + part.size();
    }
    EXPECT_FALSE(text.contains(QStringLiteral("2. "))) << "a note of spaces only is left out";
    EXPECT_FALSE(text.contains(QStringLiteral("Recording")));
    EXPECT_FALSE(text.contains(QStringLiteral("omitted")));
}

TEST_F(ReviewPdfTest, RecordingNotesFramesAndFlagsAreDescribed) {
    addRecording();
    note.screenRecording->trim = RecordingRange{500'000, 9'000'000};
    note.screenRecording->recovery = RecordingRecovery::Partial;
    const Media& stale = addImage(64, 40);
    note.media.back().recordingFrame = RecordingFrame{1'000'000, QString(64, QLatin1Char('0'))};
    addMark(stale);
    addNote(QStringLiteral("Stale pin words")).markID = note.marks.back().id;
    addNote(QStringLiteral("Inside words")).timeRange = RecordingRange{1'000'000, 3'500'000};
    LinkedNote& outside = addNote(QStringLiteral("Outside words"));
    outside.timeRange = RecordingRange{8'000'000, 9'500'000};
    outside.included = false;

    const PdfReading pdf(write());
    const QString text = pdf.allText();
    const QStringList expected = {
        QStringLiteral("Recording"),
        QStringLiteral("Recording recovery: Recovered through 00:10.000. The recording was "
                       "interrupted; video or audio may be missing."),
        QStringLiteral("Source 00:00.500–00:09.000. Pauses are excluded. Output starts at "
                       "00:00.000."),
        QStringLiteral("Only the pictured frames are shown here. Open the MP4 alongside this PDF "
                       "to review motion."),
        QStringLiteral("Image 1"),
        QStringLiteral("Source 00:02.000"),
        QStringLiteral("1. Location note"),
        QStringLiteral("Earlier frame note · Image needs review"),
        QStringLiteral("Stale pin words"),
        QStringLiteral("2. Time note · 00:01.000–00:03.500"),
        QStringLiteral("Inside words"),
        QStringLiteral("3. Time note · 00:08.000–00:09.500"),
        QStringLiteral("Excluded from agent request"),
        QStringLiteral("This note extends outside the exported recording range."),
        QStringLiteral("Outside words"),
        QStringLiteral("1 earlier recording frame(s) are omitted because they predate the "
                       "current edits or are outside the trim. Their original files remain in "
                       "the editable note."),
    };
    // Poppler joins wrapped lines with new lines; compare with single spaces.
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    qsizetype at = flat.indexOf(QStringLiteral("Lumbex · Project Cards")) + 22;
    for (const QString& part : expected) {
        const qsizetype next = flat.indexOf(part, at);
        ASSERT_GE(next, 0) << part.toStdString() << "\nin\n" << flat.toStdString();
        at = next + part.size();
    }
    EXPECT_FALSE(flat.contains(QStringLiteral("Image 2"))) << "the stale frame is not shown";
    EXPECT_EQ(flat.count(QStringLiteral("Excluded from agent request")), 1);
    EXPECT_EQ(flat.count(QStringLiteral("This note extends outside")), 1);
}

TEST_F(ReviewPdfTest, VisibleMediaLeaveOutStaleFramesAndNeedACurrentOne) {
    const Id plain = addImage(30, 30).id;
    EXPECT_EQ(reviewVisibleMedia(note).size(), 1u);
    addRecording();
    const Id frame = note.media.back().id;
    Media& stale = addImage(30, 30);
    stale.recordingFrame = RecordingFrame{1'000'000, QString(64, QLatin1Char('a'))};
    std::vector<Id> ids;
    for (const Media& m : reviewVisibleMedia(note))
        ids.push_back(m.id);
    EXPECT_EQ(ids, (std::vector<Id>{plain, frame}));

    // Trimming the current frame away leaves no current frame at all.
    note.screenRecording->trim = RecordingRange{5'000'000, 10'000'000};
    const std::string message = "Add a current recording frame before preparing the mobile review.";
    EXPECT_EQ(thrown([&] { reviewVisibleMedia(note); }), message);
    EXPECT_EQ(thrown([&] { write(); }), message);
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("review.pdf"))));
}

TEST_F(ReviewPdfTest, AMissingOrDamagedOriginalStopsTheReview) {
    const Id id = addImage(30, 30).id;
    const std::string message =
        "An original image is missing. The previous mobile review has been kept.";
    originals.erase(id);
    EXPECT_EQ(thrown([&] { write(); }), message);
    originals[id] = QByteArray("\x89PNG\r\n\x1a\nbroken");
    EXPECT_EQ(thrown([&] { write(); }), message);
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("review.pdf"))));
}

// Pictures are found on the rendered pages by their colour.
struct Placement {
    int page = -1;
    QRectF box;
};

Placement findColor(const PdfReading& pdf, QColor color) {
    for (int i = 0; i < pdf.pages(); ++i) {
        const QRectF box = test::colorBounds(pdf.picture(i, 2), color, 2);
        if (!box.isNull())
            return {i, box};
    }
    return {};
}

TEST_F(ReviewPdfTest, TallAndWideImagesAreFittedAndCentred) {
    addImage(50, 500, Qt::red);   // 22 × 220 points
    addImage(1000, 40, Qt::blue); // 364 × 14.56 points
    addImage(40, 30, Qt::green);  // a small one grows to 293.3 × 220
    const PdfReading pdf(write());
    const Placement tall = findColor(pdf, Qt::red);
    ASSERT_GE(tall.page, 0);
    EXPECT_NEAR(tall.box.height(), 220, 1);
    EXPECT_NEAR(tall.box.width(), 22, 1);
    EXPECT_NEAR(tall.box.center().x(), 28 + 364 / 2.0, 1);
    const Placement wide = findColor(pdf, Qt::blue);
    ASSERT_GE(wide.page, 0);
    EXPECT_NEAR(wide.box.width(), 364, 1);
    EXPECT_NEAR(wide.box.left(), 28, 1);
    EXPECT_NEAR(wide.box.height(), 14.56, 1);
    const Placement small = findColor(pdf, Qt::green);
    ASSERT_GE(small.page, 0);
    EXPECT_NEAR(small.box.height(), 220, 1);
    EXPECT_NEAR(small.box.width(), 293.3, 1);
    for (const Placement& p : {tall, wide, small}) {
        EXPECT_GE(p.box.top(), 594 - 546 - 1) << "below the top of the content";
        EXPECT_LE(p.box.bottom(), 594 - 42 + 1) << "above the bottom margin";
    }
}

TEST_F(ReviewPdfTest, ALongNoteContinuesOnTheNextPages) {
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("Line %1 of the long note").arg(i, 3, 10, QLatin1Char('0'));
    note.general = lines.join(QLatin1Char('\n'));
    const PdfReading pdf(write());
    ASSERT_GE(pdf.pages(), 3);
    const QString text = pdf.allText();
    qsizetype at = 0;
    for (const QString& line : lines) {
        const qsizetype next = text.indexOf(line, at);
        ASSERT_GE(next, 0) << line.toStdString();
        EXPECT_EQ(text.count(line), 1) << line.toStdString();
        at = next;
    }
    EXPECT_TRUE(pdf.text(0).contains(lines.first()));
    EXPECT_FALSE(pdf.text(0).contains(lines.last()));
    EXPECT_TRUE(pdf.text(pdf.pages() - 1).contains(lines.last()));
    // Nothing is drawn over the footer or under the header.
    for (int i = 0; i < pdf.pages(); ++i)
        for (const auto& word : pdf.words(i))
            if (word.text == u"Line") {
                EXPECT_GT(word.box.top(), 594 - 546 - 1) << i;
                EXPECT_LT(word.box.bottom(), 594 - 42 + 1) << i;
            }
}

TEST_F(ReviewPdfTest, AnUnbrokenWordWiderThanTheColumnWraps) {
    note.general = QString(300, QLatin1Char('x'));
    const PdfReading pdf(write());
    QString text = pdf.allText();
    text.remove(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QString(300, QLatin1Char('x'))));
}

TEST_F(ReviewPdfTest, RewritingTheSameRevisionGivesTheSameBytes) {
    note.general = QStringLiteral("Same words");
    addImage(300, 200, Qt::red);
    const QString first = write(QStringLiteral("first.pdf"));
    // Past a second boundary, so that any clock time in the file would differ.
    QThread::msleep(1100);
    const QString second = write(QStringLiteral("second.pdf"));
    const QByteArray bytes = test::fileBytes(first);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes, test::fileBytes(second));
    EXPECT_NE(bytes, test::fileBytes(write(QStringLiteral("third.pdf"), QStringLiteral("r13"))));
}

TEST_F(ReviewPdfTest, DocumentInformationComesFromTheNote) {
    note.title = QStringLiteral("Café “cards” · 한국어");
    addImage(30, 30);
    const PdfReading pdf(write());
    EXPECT_EQ(pdf.info(QStringLiteral("Title")), note.title);
    EXPECT_EQ(pdf.info(QStringLiteral("Author")), QStringLiteral("Lumbex"));
    EXPECT_EQ(pdf.date(QStringLiteral("CreationDate")),
              QDateTime(QDate(2024, 5, 1), QTime(13, 45, 10), QTimeZone::utc()));
    EXPECT_EQ(pdf.date(QStringLiteral("ModDate")),
              QDateTime(QDate(2024, 5, 2), QTime(13, 45, 10), QTimeZone::utc()));
}

TEST_F(ReviewPdfTest, VerificationRefusesADamagedOrShortFile) {
    addImage(30, 30);
    const QString path = write();
    const std::string message = "The mobile PDF could not be verified.";
    EXPECT_EQ(thrown([&] { verifyReviewPdf(path, 1); }), "(nothing thrown)");
    EXPECT_EQ(thrown([&] { verifyReviewPdf(path, 2); }), message);
    const QByteArray bytes = test::fileBytes(path);
    const QString cut = folder.write(QStringLiteral("cut.pdf"), bytes.left(bytes.size() / 3));
    EXPECT_EQ(thrown([&] { verifyReviewPdf(cut, 1); }), message);
    const QString text = folder.write(QStringLiteral("text.pdf"), "not a PDF");
    EXPECT_EQ(thrown([&] { verifyReviewPdf(text, 1); }), message);
}

TEST(PdfStamp, RefusesBytesNotLaidOutAsExpected) {
    const PdfStamp stamp{
        QStringLiteral("T"), QStringLiteral("Lumbex"), {}, {}, QByteArray(16, '\1')};
    const std::string message = "The mobile PDF could not be created.";
    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("%PDF-1.4\n"), QByteArray("%PDF-1.4\nstartxref\n99999\n"),
          QByteArray("%PDF-1.4\nxref\n0 1\nstartxref\n9\n%%EOF\n")})
        EXPECT_EQ(thrown([&] { stampPdf(bytes, stamp); }), message) << bytes.toStdString();
}

// Lays pages out directly, to reach the edges of the page rules.
class ReviewPagesTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString path = folder.path(QStringLiteral("pages.pdf"));
    std::unique_ptr<QPdfWriter> writer = makeWriter(path);
    ReviewPages pages{*writer, QStringLiteral("Pages"), QStringLiteral("r1")};

    static std::unique_ptr<QPdfWriter> makeWriter(const QString& path) {
        auto writer = std::make_unique<QPdfWriter>(path);
        writer->setResolution(72);
        writer->setPageSize(
            QPageSize(QSizeF(420, 594), QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        return writer;
    }

    // Adds filler lines until fewer than `remaining` points are left above the bottom margin.
    void fillUntil(double remaining) {
        while (pages.y() - ReviewPage::bottom >= remaining)
            pages.text(QStringLiteral("filler"), 11, false, false, 0);
    }

    PdfReading finish() {
        EXPECT_TRUE(pages.finish());
        writer.reset();
        return PdfReading(path);
    }

    static QImage solid(int width, int height, QColor color) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        return image;
    }
};

TEST_F(ReviewPagesTest, ALineThatCannotFitOnAFreshPageFails) {
    pages.page();
    EXPECT_EQ(thrown([&] { pages.text(QStringLiteral("W"), 600, false, false, 0); }),
              "A note could not fit in the mobile PDF.");
}

TEST_F(ReviewPagesTest, ACaptionNearTheBottomMovesWithItsPicture) {
    pages.page();
    fillUntil(98);
    ASSERT_GT(pages.y() - ReviewPage::bottom, 60) << "a caption and a small picture would fit";
    pages.picture(solid(400, 40, Qt::red), QStringLiteral("Image 1"));
    const PdfReading pdf = finish();
    ASSERT_EQ(pdf.pages(), 2);
    EXPECT_FALSE(pdf.text(0).contains(QStringLiteral("Image 1")));
    EXPECT_TRUE(pdf.text(1).contains(QStringLiteral("Image 1")));
    EXPECT_TRUE(test::colorBounds(pdf.picture(0, 1), Qt::red, 1).isNull());
    const QRectF box = test::colorBounds(pdf.picture(1, 2), Qt::red, 2);
    EXPECT_NEAR(box.width(), 364, 1);
}

TEST_F(ReviewPagesTest, ACaptionWithRoomStaysAndItsPictureFollowsIt) {
    pages.page();
    fillUntil(140);
    pages.picture(solid(400, 40, Qt::red), QStringLiteral("Image 1"));
    const PdfReading pdf = finish();
    ASSERT_EQ(pdf.pages(), 1);
    double captionBottom = 0;
    for (const auto& word : pdf.words(0))
        if (word.text == u"Image")
            captionBottom = word.box.bottom();
    const QRectF box = test::colorBounds(pdf.picture(0, 2), Qt::red, 2);
    EXPECT_GT(box.top(), captionBottom);
    EXPECT_LT(box.top(), captionBottom + 14);
}

TEST_F(ReviewPagesTest, APictureTallerThanTheRoomLeftTakesItsCaptionAlong) {
    pages.page();
    fillUntil(150);
    ASSERT_GE(pages.y() - ReviewPage::bottom, 98);
    pages.picture(solid(100, 400, Qt::red), QStringLiteral("Image 1"));
    const PdfReading pdf = finish();
    ASSERT_EQ(pdf.pages(), 2);
    EXPECT_TRUE(pdf.text(1).contains(QStringLiteral("Image 1")));
    EXPECT_NEAR(test::colorBounds(pdf.picture(1, 2), Qt::red, 2).height(), 220, 1);
}

TEST_F(ReviewPagesTest, AHeadingKeepsRoomForWhatFollows) {
    pages.page();
    fillUntil(120); // y < 162 < 18 + 88 + 60
    pages.heading(QStringLiteral("Heading"), 60);
    const PdfReading pdf = finish();
    ASSERT_EQ(pdf.pages(), 2);
    EXPECT_TRUE(pdf.text(1).contains(QStringLiteral("Heading")));
}

TEST_F(ReviewPagesTest, AHeadingWithRoomStaysOnItsPage) {
    pages.page();
    fillUntil(200); // y < 242, still ≥ 18 + 88 + 0 plus the filler's margin
    pages.heading(QStringLiteral("Heading"), 0);
    const PdfReading pdf = finish();
    ASSERT_EQ(pdf.pages(), 1);
    EXPECT_TRUE(pdf.text(0).contains(QStringLiteral("Heading")));
}

TEST(FittedPictureSize, KeepsProportionsInsideTheBox) {
    const QSizeF box(364, 220);
    EXPECT_EQ(fittedPictureSize({50, 500}, box), QSizeF(22, 220));
    EXPECT_EQ(fittedPictureSize({1000, 40}, box), QSizeF(364, 14.56));
    EXPECT_EQ(fittedPictureSize({364, 220}, box), QSizeF(364, 220));
    EXPECT_EQ(fittedPictureSize({2880, 1800}, box), QSizeF(352, 220));
}

} // namespace
} // namespace lumbex
