#include "support/temporary_folder.h"
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
using test::Result;

TEST_F(CommandLineTest, CreatedNoteChecksAndDescribesItself) {
    const QString first = image(QStringLiteral("login page.png"), 48, 32);
    const QString second = image(QStringLiteral("after.fix.png"), 20, 10);
    const Result created =
        lumbex({"note", "create", first, second, "-o", "Bug.capturenote", "--title", "Login bug"});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(created.out.trimmed(), folder.path(QStringLiteral("Bug.capturenote")));

    const QJsonObject note =
        QJsonDocument::fromJson(test::fileBytes(folder.path("Bug.capturenote/note.json"))).object();
    EXPECT_EQ(note["title"].toString(), "Login bug");
    const QJsonArray media = note["media"].toArray();
    ASSERT_EQ(media.size(), 2);
    EXPECT_EQ(media[0]["name"].toString(), "login page");
    EXPECT_EQ(media[1]["name"].toString(), "after.fix");
    EXPECT_EQ(media[1]["role"].toString(), "After");

    EXPECT_EQ(lumbex({"note", "check", "Bug.capturenote"}).out, "OK\n");
    const Result described = lumbex({"note", "check", "Bug.capturenote", "--json"});
    ASSERT_EQ(described.exitCode, 0);
    const QJsonArray described_media =
        QJsonDocument::fromJson(described.out.toUtf8()).object()["media"].toArray();
    ASSERT_EQ(described_media.size(), 2);
    EXPECT_EQ(described_media[0]["id"].toString(), media[0]["id"].toString());
    EXPECT_EQ(described_media[0]["outputRect"].toArray(),
              (QJsonArray{QJsonArray{0, 0}, QJsonArray{48, 32}}));
    EXPECT_EQ(described_media[1]["imageKey"].toString().size(), 64);
}

TEST_F(CommandLineTest, ABadImageFailsWithItsMessageAndWritesNothing) {
    const QString good = image("ok.png");
    const QString bad = folder.write("text.png", "hello");
    const QStringList before = entries();
    const Result r = lumbex({"note", "create", good, bad, "-o", "Out.capturenote"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "Choose a readable image file.\n");
    EXPECT_EQ(entries(), before) << "nothing new on disk";
}

TEST_F(CommandLineTest, ANewNoteIsTitledCaptureAdoptsTheDefaultFolderAndIsNeverOverwritten) {
    const QString ini = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Lumbex/Lumbex.ini";
    QDir().mkpath(QFileInfo(ini).path());
    QSettings(ini, QSettings::IniFormat).setValue("defaultDestination", folder.path());
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    const QByteArray before = test::fileBytes(folder.path("A.capturenote/note.json"));
    const QJsonObject note = QJsonDocument::fromJson(before).object();
    EXPECT_EQ(note["title"].toString(), "Capture");
    QSettings settings(ini, QSettings::IniFormat);
    EXPECT_EQ(settings.value("destination." + note["id"].toString()).toString(), folder.path());
    settings.remove("defaultDestination");

    const Result again = lumbex({"note", "create", image("b.png"), "-o", "A.capturenote"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("already exists"));
    EXPECT_EQ(test::fileBytes(folder.path("A.capturenote/note.json")), before);
}

TEST_F(CommandLineTest, CheckReportsTheFirstFailingCheck) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    const QString json = folder.path("A.capturenote/note.json");
    const QByteArray original = test::fileBytes(json);
    struct Case {
        QByteArray from, to;
        QString message;
    };
    const std::vector<Case> cases{
        {"\"width\": 48", "\"width\": 47", "An image does not match its saved dimensions."},
        {"\"sha256\": \"", "\"sha256\": \"0", "An original image is missing or damaged."},
    };
    for (const Case& c : cases) {
        QByteArray spoiled = original;
        ASSERT_TRUE(spoiled.contains(c.from)) << c.from.constData();
        writeFileAtomically(json, spoiled.replace(c.from, c.to));
        const Result r = lumbex({"note", "check", "A.capturenote"});
        EXPECT_EQ(r.exitCode, 1) << c.from.constData();
        EXPECT_EQ(r.err, c.message + u'\n');
        EXPECT_EQ(test::fileBytes(json), spoiled) << "check changes nothing";
    }
}

TEST_F(CommandLineTest, NormalizeAndExportWriteTheImage) {
    const Result normalized = lumbex({"image", "normalize", image("n.png", 30, 20), "out.png"});
    ASSERT_EQ(normalized.exitCode, 0) << normalized.err.toStdString();
    EXPECT_EQ(QImage(folder.path("out.png"), "png").size(), QSize(30, 20));

    const QString source = image("a.png");
    const Result r = lumbex({"image", "export", source, "--title", "Login/before:after"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QFileInfo written(r.out.trimmed());
    EXPECT_EQ(written.fileName(), "Login before after.png");
    EXPECT_EQ(written.dir().absolutePath().section(u'/', 0, -2),
              folder.path("data/Lumbex/Exports"));
    EXPECT_EQ(test::fileBytes(written.filePath()), test::fileBytes(source)) << "exported bytes are unchanged";
}

TEST_F(CommandLineTest, RenderWritesTheFlattenedImage) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png", 48, 32), image("b.png", 20, 10), "-o",
                      "A.capturenote"})
                  .exitCode,
              0);
    const QString json = folder.path("A.capturenote/note.json");
    CaptureNote note = decodeNoteJson(test::fileBytes(json));
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
    EXPECT_EQ(full.size(), QSize(48, 32));
    EXPECT_EQ(full.pixel(8, 8), qRgb(0, 0, 0));
    EXPECT_EQ(full.pixel(30, 20), QImage(folder.path("a.png")).pixel(30, 20));

    const QString id = idString(note.media[1].id);
    ASSERT_EQ(lumbex({"render", "A.capturenote", "-o", "small.jpg", "--image", id, "--max-size",
                      "8", "--jpeg"})
                  .exitCode,
              0);
    EXPECT_TRUE(test::fileBytes(folder.path("small.jpg")).startsWith("\xFF\xD8"));
    EXPECT_EQ(QImage(folder.path("small.jpg")).size(), QSize(8, 4));
}

TEST_F(CommandLineTest, RenderFailuresWriteNothing) {
    ASSERT_EQ(lumbex({"note", "create", image("a.png"), "-o", "A.capturenote"}).exitCode, 0);
    folder.write("out.png", "keep");
    const Result r = lumbex({"render", "A.capturenote", "-o", "out.png", "--max-size", "2049"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Choose a preview size between 1 and 2048 pixels.\n");
    EXPECT_EQ(lumbex({"render", "A.capturenote", "-o", "out.png", "--max-size", "big"}).exitCode,
              2);
    EXPECT_EQ(test::fileBytes(folder.path("out.png")), "keep");
}

TEST_F(CommandLineTest, UsageErrorsExitTwoWithAUsageLine) {
    for (const QStringList& args : {QStringList{"note", "create", "a.png"}, QStringList{"paint"}}) {
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
