#include "support/temporary_folder.h"
#include "command_line_fixture.h"
#include "model/note_coding.h"

#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A tall page whose every row has its own colour, so that any misplaced row shows.
QImage tallPage(int width, int height) {
    QImage page(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        const QRgb color = random.generate() | 0xff000000u;
        std::fill_n(reinterpret_cast<QRgb*>(page.scanLine(y)), width, color);
    }
    return page;
}

class StitchCommandTest : public test::CommandLineTest {
protected:
    QImage page = tallPage(200, 900);

    QString frame(const QString& name, int top, int height = 300, int width = 200) const {
        return folder.write(name, test::encoded(page.copy(0, top, width, height), "png"));
    }
};

TEST_F(StitchCommandTest, JoinsFramesIntoANoteThatKeepsItsSources) {
    const QStringList frames{frame("a.png", 0),   frame("b.png", 120), frame("b2.png", 120),
                             frame("c.png", 300), frame("d.png", 450), frame("e.png", 600)};
    const test::Result r =
        lumbex(QStringList{"stitch"} + frames + QStringList{"-o", "S.capturenote"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(
        r.err,
        "added offsetY=0 footer=0\nadded offsetY=120 footer=0\nunchanged\n"
        "added offsetY=300 footer=0\nadded offsetY=450 footer=0\nadded offsetY=600 footer=0\n");
    EXPECT_EQ(lumbex({"note", "check", "S.capturenote"}).out, "OK\n");

    const CaptureNote note = decodeNoteJson(test::fileBytes(folder.path("S.capturenote/note.json")));
    EXPECT_EQ(note.title, "Stitched Scroll Images");
    ASSERT_EQ(note.media.size(), 6u);
    ASSERT_TRUE(note.media[0].scrollCapture);
    EXPECT_FALSE(note.media[0].scrollCapture->partial);
    EXPECT_EQ(note.media[5].role, MediaRole::Reference);

    const QImage stitched(folder.path("S.capturenote/assets/" + note.media[0].filename()));
    EXPECT_EQ(stitched.convertToFormat(QImage::Format_RGB32), page);
}

TEST_F(StitchCommandTest, AFrameThatCannotJoinEndsAPartialCapture) {
    const QStringList frames{frame("a.png", 0), frame("b.png", 150),
                             frame("narrow.png", 300, 300, 199), frame("c.png", 450)};
    const test::Result r =
        lumbex(QStringList{"stitch"} + frames + QStringList{"-o", "P.capturenote"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(
        "The capture area changed size. Keep the partial image and select it again.\n"));
    const CaptureNote note = decodeNoteJson(test::fileBytes(folder.path("P.capturenote/note.json")));
    EXPECT_EQ(note.title, "Partial Scroll Capture");
    EXPECT_TRUE(note.media[0].scrollCapture->partial);
    EXPECT_EQ(note.media[0].height, 450);

    const test::Result png =
        lumbex(QStringList{"stitch"} + frames + QStringList{"--png", "partial.png"});
    ASSERT_EQ(png.exitCode, 0);
    EXPECT_EQ(QImage(folder.path("partial.png")).convertToFormat(QImage::Format_RGB32),
              page.copy(0, 0, 200, 450));
}

TEST_F(StitchCommandTest, NothingJoinedIsAFailureThatWritesNothing) {
    const test::Result r = lumbex({"stitch", folder.write("x.png", "not an image"),
                                   frame("a.png", 0), "-o", "X.capturenote"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The image could not be read, or exceeds 120 megapixels.\n");
    EXPECT_FALSE(QFileInfo::exists(folder.path("X.capturenote")));
    EXPECT_EQ(
        lumbex({"stitch", frame("a.png", 0), "-o", "Y.capturenote", "--png", "y.png"}).exitCode, 2);
}

} // namespace
} // namespace lumbex
