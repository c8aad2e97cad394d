#include "support/temporary_folder.h"
#include "command_line_fixture.h"
#include "model/note_coding.h"
#include "support/test_images.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QStringList kTerminal = {QStringLiteral("$ ls src"),
                               QStringLiteral("main.cpp  notes.cpp  README.md"),
                               QStringLiteral("    build failed: 2 errors")};

// The terminal lines as they look at 1×: dark text on a light background, 20 pixels apart.
QImage terminal() {
    return test::textScreen({600, 110}, kTerminal);
}

class RecognizeCommandTest : public test::CommandLineTest {
protected:
    QString terminalPng() const {
        return folder.write("terminal.png", test::encoded(terminal(), "png"));
    }
};

TEST_F(RecognizeCommandTest, PrintsTheTextOfAnImageInEitherLayout) {
    const QString png = terminalPng();
    const test::Result plain = lumbex({"recognize", png});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, "$ ls src\nmain.cpp notes.cpp README.md\nbuild failed: 2 errors\n");
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(lumbex({"recognize", png, "--layout", "code"}).out, kTerminal.join('\n') + '\n');
}

TEST_F(RecognizeCommandTest, ReadsOnlyTheArea) {
    const QString png = terminalPng();
    // The third line only, from x 0.
    EXPECT_EQ(lumbex({"recognize", png, "--area", "0,60.5,600,30"}).out,
              "build failed: 2 errors\n");
}

TEST_F(RecognizeCommandTest, PrintsNormalisedLinesAsJson) {
    const QImage one =
        test::textScreen({400, 100}, {QStringLiteral("Lumbex")},
                         {QStringLiteral("DejaVu Sans"), 20, Qt::black, Qt::white}, {100, 60});
    const test::Result r =
        lumbex({"recognize", folder.write("one.png", test::encoded(one, "png")), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(json.value("codes").toArray().size(), 0);
    const QJsonArray lines = json.value("lines").toArray();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0]["text"].toString(), "Lumbex");
    const QJsonArray bounds = lines[0]["bounds"].toArray();
    EXPECT_NEAR(bounds[0][0].toDouble(), 100.0 / 400, 3.0 / 400);
    EXPECT_NEAR(bounds[0][1].toDouble() + bounds[1][1].toDouble(), 60.0 / 100, 3.0 / 100);
}

TEST_F(RecognizeCommandTest, PrintsQrPayloadsAndNothingWithoutThem) {
    const QString code = folder.path("code.png");
    QProcess encoder;
    encoder.start("qrencode", {"-o", code, "https://example.org/a?b=1"});
    ASSERT_TRUE(encoder.waitForFinished());
    EXPECT_EQ(lumbex({"recognize", code, "--qr"}).out, "https://example.org/a?b=1\n");

    const test::Result blank = lumbex({"recognize", image("blank.png"), "--json", "--qr"});
    EXPECT_EQ(blank.out, "{\"codes\":[],\"lines\":[]}\n");
}

TEST_F(RecognizeCommandTest, ReadsAPackageWithoutItsRedactionsAndKeepsTheCache) {
    ASSERT_EQ(lumbex({"note", "create", terminalPng(), "-o", "T.capturenote"}).exitCode, 0);
    // Covers "main.cpp" on the second line.
    ASSERT_EQ(lumbex({"note", "mark", "T.capturenote", "--image", "1", "--kind", "redact",
                      "--start", "10,40", "--end", "95,60"})
                  .exitCode,
              0);
    const test::Result read = lumbex({"recognize", "T.capturenote", "--cache"});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_FALSE(read.out.contains("main")) << read.out.toStdString();
    EXPECT_TRUE(read.out.startsWith("$ ls src\nnotes.cpp")) << read.out.toStdString();

    const CaptureNote note = decodeNoteJson(test::fileBytes(folder.path("T.capturenote/note.json")));
    ASSERT_TRUE(note.media[0].recognition);
    EXPECT_EQ(note.media[0].recognition->text + '\n', read.out);
}

TEST_F(RecognizeCommandTest, RefusesWordsThatDoNotFit) {
    const QString png = image("shot.png");
    const test::Result r = lumbex({"recognize", png, "--layout", "table"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("usage: lumbex recognize")) << r.err.toStdString();
}

} // namespace
} // namespace lumbex
