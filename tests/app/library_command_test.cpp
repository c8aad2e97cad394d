#include "command_line_fixture.h"
#include "support/library_notes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumbex::test {
namespace {

class LibraryCommandTest : public CommandLineTest {
protected:
    // Where `lumbex` keeps notes under this test's XDG_DATA_HOME.
    QString notes = folder.path(QStringLiteral("data/Lumbex/Notes"));

    void SetUp() override { makeFolders(notes); }

    QString save(const QString& name, Date modifiedAt, const QString& general) {
        NotePackageContents contents = noteWithImage(general);
        contents.note.title = name;
        contents.note.modifiedAt = modifiedAt;
        return savePackage(notes, contents, name);
    }
};

TEST_F(LibraryCommandTest, ListsNotesNewestFirstAsTabSeparatedLines) {
    const QString older = save(QStringLiteral("Older"), 100, QStringLiteral("Logo\nis blurry"));
    const QString newer =
        save(QStringLiteral("Newer"), 200, QStringLiteral("Login fails at the CAFE page"));
    writeBarePackage(notes, QStringLiteral("broken"), QByteArray("{"));

    const Result all = lumbex({QStringLiteral("library"), QStringLiteral("list")});
    EXPECT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, newer + QStringLiteral("\tNewer\tLogin fails at the CAFE page\n") + older +
                           QStringLiteral("\tOlder\tLogo is blurry\n"));

    const Result found = lumbex({QStringLiteral("library"), QStringLiteral("list"),
                                 QStringLiteral("--search"), QStringLiteral("café login")});
    EXPECT_EQ(found.exitCode, 0) << found.err.toStdString();
    EXPECT_EQ(found.out, newer + QStringLiteral("\tNewer\tNote: Login fails at the CAFE page\n"));
}

TEST_F(LibraryCommandTest, ListsJsonWithTheUnreadableCount) {
    const QString path = save(QStringLiteral("Only"), 12.5, QStringLiteral("Blurry logo"));
    writeBarePackage(notes, QStringLiteral("broken"), QByteArray("{"));
    const Result result =
        lumbex({QStringLiteral("library"), QStringLiteral("list"), QStringLiteral("--json"),
                QStringLiteral("--search"), QStringLiteral("LOGO")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(root.value(u"unreadable").toInt(), 1);
    const QJsonArray entries = root.value(u"entries").toArray();
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject entry = entries[0].toObject();
    EXPECT_EQ(entry.keys(), QStringList({QStringLiteral("excerpt"), QStringLiteral("id"),
                                         QStringLiteral("modifiedAt"), QStringLiteral("path"),
                                         QStringLiteral("title")}));
    EXPECT_EQ(entry.value(u"path").toString(), path);
    EXPECT_EQ(entry.value(u"title").toString(), QStringLiteral("Only"));
    EXPECT_EQ(entry.value(u"modifiedAt").toDouble(), 12.5);
    EXPECT_EQ(entry.value(u"excerpt").toString(), QStringLiteral("Note: Blurry logo"));
    EXPECT_EQ(entry.value(u"id").toString().size(), 36);
}

TEST_F(LibraryCommandTest, EmptyLibraryListsNothing) {
    const Result result = lumbex({QStringLiteral("library"), QStringLiteral("list")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QString());
    const Result json =
        lumbex({QStringLiteral("library"), QStringLiteral("list"), QStringLiteral("--json")});
    EXPECT_EQ(
        QJsonDocument::fromJson(json.out.toUtf8()).object().value(u"entries").toArray().size(), 0);
}

TEST_F(LibraryCommandTest, UsageErrorsExitWithTwo) {
    const std::vector<QStringList> rows = {
        {QStringLiteral("library"), QStringLiteral("list"), QStringLiteral("extra")},
        {QStringLiteral("library"), QStringLiteral("list"), QStringLiteral("--search")},
        {QStringLiteral("library"), QStringLiteral("list"), QStringLiteral("--bogus")},
        {QStringLiteral("library"), QStringLiteral("preview"), QStringLiteral("a.capturenote")},
        {QStringLiteral("library"), QStringLiteral("preview"), QStringLiteral("-o"),
         QStringLiteral("x.png")},
    };
    for (const QStringList& args : rows)
        EXPECT_EQ(lumbex(args).exitCode, 2) << args.join(u' ').toStdString();
}

TEST_F(LibraryCommandTest, PreviewWrites176PixelsOrSaysWhy) {
    NotePackageContents wide;
    wide.note = CaptureNote::make();
    appendImage(wide, solidPng(400, 100, Qt::white), QStringLiteral("Wide"));
    const QString package = savePackage(notes, wide, QStringLiteral("wide"));
    const QString out = folder.path(QStringLiteral("preview.png"));
    const Result ok = lumbex(
        {QStringLiteral("library"), QStringLiteral("preview"), package, QStringLiteral("-o"), out});
    ASSERT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(QImage(out).size(), QSize(176, 44));

    // The asset replaced by other pixels.
    const QString asset =
        QDir(package).filePath(QStringLiteral("assets/") + wide.note.media.front().filename());
    writeFileAtomically(asset, solidPng(400, 100, Qt::red));
    const Result changed = lumbex({QStringLiteral("library"), QStringLiteral("preview"), package,
                                   QStringLiteral("-o"), folder.path(QStringLiteral("c.png"))});
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(changed.err.trimmed(), QStringLiteral("The preview source has changed."));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("c.png"))));

    const QString bare =
        writeBarePackage(notes, QStringLiteral("bare"), encodeNoteJson(CaptureNote::make()));
    const Result none = lumbex({QStringLiteral("library"), QStringLiteral("preview"), bare,
                                QStringLiteral("-o"), folder.path(QStringLiteral("n.png"))});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err.trimmed(),
              QStringLiteral("Preview unavailable. Open the note for details."));

    const Result missing = lumbex({QStringLiteral("library"), QStringLiteral("preview"),
                                   folder.path(QStringLiteral("nothing.capturenote")),
                                   QStringLiteral("-o"), folder.path(QStringLiteral("m.png"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.trimmed(), QStringLiteral("This is not a complete Lumbex note."));
}

} // namespace
} // namespace lumbex::test
