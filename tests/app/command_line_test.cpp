#include "command_line_fixture.h"
#include "core/files.h"
#include "model/note_coding.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::CommandLineTest;
using test::pngHeaderClaiming;
using test::Result;

TEST_F(CommandLineTest, CreatedNoteChecksAndDescribesItself) {
    const QString first = image(QStringLiteral("login page.png"), 48, 32);
    const QString second = image(QStringLiteral("after.fix.png"), 20, 10);
    const Result created =
        lumbex({"note", "create", first, second, "-o", "Bug.capturenote", "--title", "Login bug"});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(created.out.trimmed(), folder.path(QStringLiteral("Bug.capturenote")));
    EXPECT_TRUE(created.err.isEmpty());

    const QJsonObject note =
        QJsonDocument::fromJson(readFile(folder.path("Bug.capturenote/note.json"))).object();
    EXPECT_EQ(note["title"].toString(), "Login bug");
    const QJsonArray media = note["media"].toArray();
    ASSERT_EQ(media.size(), 2);
    EXPECT_EQ(media[0]["name"].toString(), "login page");
    EXPECT_EQ(media[1]["name"].toString(), "after.fix");
    EXPECT_EQ(media[1]["role"].toString(), "After");

    const Result checked = lumbex({"note", "check", "Bug.capturenote"});
    EXPECT_EQ(checked.exitCode, 0);
    EXPECT_EQ(checked.out, "OK\n");

    const Result described = lumbex({"note", "check", "Bug.capturenote", "--json"});
    ASSERT_EQ(described.exitCode, 0);
    const QJsonObject summary = QJsonDocument::fromJson(described.out.toUtf8()).object();
    const QJsonArray described_media = summary["media"].toArray();
    ASSERT_EQ(described_media.size(), 2);
    EXPECT_EQ(described_media[0]["id"].toString(), media[0]["id"].toString());
    EXPECT_EQ(described_media[0]["outputRect"].toArray(),
              (QJsonArray{QJsonArray{0, 0}, QJsonArray{48, 32}}));
    EXPECT_EQ(described_media[1]["imageKey"].toString().size(), 64);
    EXPECT_NE(described_media[0]["imageKey"], described_media[1]["imageKey"]);
}

TEST_F(CommandLineTest, BadImagesFailWithTheirMessageAndWriteNothing) {
    struct Case {
        const char* name;
        std::function<QString()> make;
        QString message;
    };
    const std::vector<Case> cases{
        {"missing file", [] { return QStringLiteral("nowhere.png"); }, QString()},
        {"folder",
         [&] {
             QDir().mkpath(folder.path("shots.png"));
             return folder.path("shots.png");
         },
         QStringLiteral("“shots.png” is a folder, not a file.")},
        {"not an image", [&] { return folder.write("text.png", "hello"); },
         QStringLiteral("Choose a readable image file.")},
        {"oversized header",
         [&] { return folder.write("huge.png", pngHeaderClaiming(32768, 3663)); },
         QStringLiteral("The image could not be read, or exceeds 120 megapixels.")},
    };
    const QString good = image("ok.png");
    for (const Case& c : cases) {
        const QString path = c.make();
        const QStringList before = entries();
        const Result r = lumbex({"note", "create", good, path, "-o", "Out.capturenote"});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
        EXPECT_FALSE(r.err.trimmed().isEmpty()) << c.name;
        if (!c.message.isNull()) {
            EXPECT_EQ(r.err, c.message + u'\n') << c.name;
        }
        EXPECT_EQ(entries(), before) << c.name << ": nothing new on disk";
    }
}

TEST_F(CommandLineTest, ANewNoteIsTitledCaptureAdoptsTheDefaultFolderAndIsNeverOverwritten) {
    const QString ini = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Lumbex/Lumbex.ini";
    QDir().mkpath(QFileInfo(ini).path());
    QSettings(ini, QSettings::IniFormat).setValue("defaultDestination", folder.path());
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    const QByteArray before = readFile(folder.path("A.capturenote/note.json"));
    const QJsonObject note = QJsonDocument::fromJson(before).object();
    EXPECT_EQ(note["title"].toString(), "Capture");
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(settings.value("destination." + note["id"].toString()).toString(), folder.path());
    settings.remove("defaultDestination");

    const Result again = lumbex({"note", "create", image("b.png"), "-o", "A.capturenote"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("already exists"));
    EXPECT_EQ(readFile(folder.path("A.capturenote/note.json")), before);
}

TEST_F(CommandLineTest, CheckReportsTheFirstFailingCheck) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    const QString json = folder.path("A.capturenote/note.json");
    const QByteArray original = readFile(json);
    struct Case {
        const char* name;
        QByteArray from, to;
        QString message;
    };
    const std::vector<Case> cases{
        {"fraction", "\"width\": 48", "\"width\": 48.5", "media[0].width: expected an integer"},
        {"newer format", "\"schemaVersion\": 1", "\"schemaVersion\": 9",
         "This note uses a newer format. Open it with a newer version of Lumbex."},
        {"dimensions", "\"width\": 48", "\"width\": 47",
         "An image does not match its saved dimensions."},
        {"digest", "\"sha256\": \"", "\"sha256\": \"0", "An original image is missing or damaged."},
    };
    for (const Case& c : cases) {
        QByteArray spoiled = original;
        ASSERT_TRUE(spoiled.contains(c.from)) << c.name;
        writeFileAtomically(json, spoiled.replace(c.from, c.to));
        const Result r = lumbex({"note", "check", "A.capturenote"});
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_EQ(r.err, c.message + u'\n') << c.name;
        EXPECT_EQ(readFile(json), spoiled) << c.name << ": check changes nothing";
    }
    writeFileAtomically(json, original);
    EXPECT_EQ(lumbex({"note", "check", "A.capturenote"}).exitCode, 0);
}

TEST_F(CommandLineTest, NormalizeWritesTheStoredPng) {
    const Result r = lumbex({"image", "normalize", image("a.png", 30, 20), "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage out(folder.path("out.png"), "png");
    EXPECT_EQ(out.size(), QSize(30, 20));

    const Result bad = lumbex({"image", "normalize", folder.write("x.png", "nope"), "bad.png"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Choose a readable image file.\n");
    EXPECT_FALSE(QFileInfo::exists(folder.path("bad.png")));
}

TEST_F(CommandLineTest, ExportGoesToTheExportsFolderByDefault) {
    const QString source = image("a.png");
    const Result r = lumbex({"image", "export", source, "--title", "Login/before:after"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QFileInfo written(r.out.trimmed());
    EXPECT_EQ(written.fileName(), "Login before after.png");
    EXPECT_EQ(written.dir().absolutePath().section(u'/', 0, -2),
              folder.path("data/Lumbex/Exports"));
    EXPECT_EQ(readFile(written.filePath()), readFile(source)) << "exported bytes are unchanged";

    const Result chosen =
        lumbex({"image", "export", source, "--title", "x", "--directory", folder.path("out")});
    ASSERT_EQ(chosen.exitCode, 0);
    EXPECT_TRUE(chosen.out.startsWith(folder.path("out/")));
}

TEST_F(CommandLineTest, RenderWritesTheFlattenedImage) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png", 48, 32), image("b.png", 20, 10), "-o",
                      "A.capturenote"})
                  .exitCode,
              0);
    const QString json = folder.path("A.capturenote/note.json");
    CaptureNote note = decodeNoteJson(readFile(json));
    Mark box;
    box.id = newId();
    box.mediaID = note.media[0].id;
    box.kind = MarkKind::Redact;
    box.start = {4, 4};
    box.end = {12, 12};
    note.marks.push_back(box);
    writeFileAtomically(json, encodeNoteJson(note));

    ASSERT_EQ(lumbex({"render", "A.capturenote", "-o", "full.png"}).exitCode, 0);
    const QImage full(folder.path("full.png"));
    const QImage source(folder.path("a.png"));
    EXPECT_EQ(full.size(), QSize(48, 32));
    EXPECT_EQ(full.pixel(8, 8), qRgb(0, 0, 0));
    EXPECT_EQ(full.pixel(30, 20), source.pixel(30, 20));

    ASSERT_EQ(
        lumbex({"render", "A.capturenote", "-o", "second.jpg", "--image", "2", "--jpeg"}).exitCode,
        0);
    EXPECT_TRUE(readFile(folder.path("second.jpg")).startsWith("\xFF\xD8"));
    EXPECT_EQ(QImage(folder.path("second.jpg")).size(), QSize(20, 10));

    const QString id = idString(note.media[1].id);
    ASSERT_EQ(
        lumbex({"render", "A.capturenote", "-o", "small.png", "--image", id, "--max-size", "8"})
            .exitCode,
        0);
    EXPECT_EQ(QImage(folder.path("small.png")).size(), QSize(8, 4));

    ASSERT_EQ(lumbex({"render", "A.capturenote", "-o", "box.png", "--selected", idString(box.id)})
                  .exitCode,
              0);
    EXPECT_LT(QImage(folder.path("box.png")).width(), 48);
}

TEST_F(CommandLineTest, RenderFailuresWriteNothing) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    folder.write("out.png", "keep");
    struct Case {
        QStringList args;
        int exitCode;
        QString message;
    };
    const std::vector<Case> cases{
        {{"--selected", idString(newId())}, 1, "Select an annotation to copy."},
        {{"--max-size", "2049"}, 1, "Choose a preview size between 1 and 2048 pixels."},
        {{"--image", "2"}, 1, QString()},
        {{"--max-size", "big"}, 2, QString()},
    };
    for (const Case& c : cases) {
        const Result r = lumbex(QStringList{"render", "A.capturenote", "-o", "out.png"} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        if (!c.message.isNull()) {
            EXPECT_EQ(r.err, c.message + u'\n');
        }
        EXPECT_EQ(readFile(folder.path("out.png")), "keep");
    }
}

TEST_F(CommandLineTest, UsageErrorsExitTwoWithAUsageLine) {
    const std::vector<QStringList> cases{
        {"note", "create", "-o", "x.capturenote"},
        {"note", "create", "a.png"},
        {"note", "check", "a", "b"},
        {"note", "check", "a", "--jsn"},
        {"image", "normalize", "a.png"},
        {"note", "frobnicate"},
        {"paint"},
    };
    for (const QStringList& args : cases) {
        const Result r = lumbex(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage")) << args.join(' ').toStdString();
    }
    const Result help = lumbex({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("lumbex note create IMAGE... -o PACKAGE [--title TITLE]"));
}

} // namespace
} // namespace lumbex
