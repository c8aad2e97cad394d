#include "command_line_fixture.h"
#include "core/files.h"
#include "model/note_coding.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

// What an attacker or a careless script hands the command line: each row used to lose an edit,
// write the wrong file, hang or abort, and must now end with a message and lose nothing.
namespace lumbex {
namespace {

using test::CommandLineTest;
using test::Result;

// The CRC-32 PNG chunks end with, big-endian.
QByteArray crc32BigEndian(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    crc = ~crc;
    QByteArray big(4, '\0');
    for (int i = 0; i < 4; ++i)
        big[i] = char(crc >> (24 - 8 * i));
    return big;
}

class HostileInputTest : public CommandLineTest {
protected:
    QString note(const QString& name = QStringLiteral("N.capturenote")) const {
        const Result created = lumbex({"note", "create", image("shot.png"), "-o", name});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
        return folder.path(name);
    }
    CaptureNote stored(const QString& package) const {
        return decodeNoteJson(test::fileBytes(package + QStringLiteral("/note.json")));
    }
    // Runs a shell script with $LUMBEX set, for arguments QProcess cannot pass as bytes.
    Result shell(const QString& script) const {
        return lumbex({}, QStringLiteral("/bin/sh"), {"-c", script});
    }
    Result lumbex(const QStringList& args, const QString& program = QStringLiteral(LUMBEX_BINARY),
                  const QStringList& programArgs = {}, bool withDisplay = true) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
        env.insert(QStringLiteral("LUMBEX"), QStringLiteral(LUMBEX_BINARY));
        if (!withDisplay)
            env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder.path());
        process.start(program, programArgs.isEmpty() ? args : programArgs);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

TEST_F(HostileInputTest, EditsRunningAtTheSameTimeApplyOneAfterTheOther) {
    const QString package = note();
    for (int pair = 0; pair < 8; ++pair) {
        const QString title = QStringLiteral("Title %1").arg(pair);
        const QString general = QStringLiteral("General %1").arg(pair);
        QProcess first, second;
        first.start(QStringLiteral(LUMBEX_BINARY), {"note", "set", package, "--title", title});
        second.start(QStringLiteral(LUMBEX_BINARY), {"note", "set", package, "--general", general});
        ASSERT_TRUE(first.waitForFinished(30000) && second.waitForFinished(30000));
        ASSERT_EQ(first.exitCode() + second.exitCode(), 0)
            << first.readAllStandardError().toStdString()
            << second.readAllStandardError().toStdString();
        const CaptureNote after = stored(package);
        EXPECT_EQ(after.title, title);
        EXPECT_EQ(after.general, general);
        EXPECT_NE(first.readAllStandardOutput(), second.readAllStandardOutput())
            << "each edit reports its own revision";
        EXPECT_EQ(after.revision, 2 * (pair + 1));
    }
}

TEST_F(HostileInputTest, APackageThatIsALinkIsRefusedAndStaysALink) {
    const QString target = note(QStringLiteral("R.capturenote"));
    ASSERT_TRUE(QFile::link(target, folder.path("K.capturenote")));
    const Result r = lumbex({"note", "set", "K.capturenote", "--title", "Through the link"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "“K.capturenote” is a symbolic link. Open the note it points to instead; "
                     "nothing was changed.\n");
    EXPECT_EQ(entryKind(folder.path("K.capturenote")), EntryKind::SymbolicLink);
    EXPECT_EQ(stored(target).revision, 0);
}

TEST_F(HostileInputTest, EditingAPackageThatIsNotThereLeavesNothingBehind) {
    for (const QStringList& args :
         {QStringList{"note", "set", "Gone.capturenote", "--title", "T"},
          QStringList{"recording", "edit", "Gone.capturenote", "--trim", "1,2"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Result r = lumbex(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_EQ(QDir(folder.path())
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                      .filter(QStringLiteral("Gone")),
                  QStringList());
    }
}

TEST_F(HostileInputTest, WordsThatAreEmptyRepeatedOrUnknownAreRefused) {
    const QString package = note();
    const QString id = idString(stored(package).media[0].id);
    const QString unknownId = idString(newId());
    const struct {
        QStringList args;
        int exitCode;
        QString err;
    } rows[] = {
        {{"note", "remove-image", package, ""}, 2, {}},
        {{"render", package, "-o", "x.png", "--image", ""}, 2, {}},
        {{"note", "set", package, "--include-image", "", "on"}, 2, {}},
        {{"note", "check", package, "--json", "--json"}, 2, {}},
        {{"handoff", package, "--project", ".", "--copy", "--copy"}, 2, {}},
        {{"note", "mark", package, "--image", "1", "--kind", "arrow", "--start", "1,1", "--end",
          "9,9", "--color", "purple"},
         2,
         {}},
        {{"note", "mark", package, "--image", "1", "--kind", "arrow", "--start", "1,1", "--end",
          "9,9", "--color", "#12345G"},
         2,
         {}},
        {{"request", package, "--active", unknownId},
         1,
         "This note has no image with the id " + unknownId + ".\n"},
    };
    for (const auto& row : rows) {
        const Result r = lumbex(row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.args.join(' ').toStdString();
        if (!row.err.isEmpty()) {
            EXPECT_EQ(r.err, row.err);
        }
    }
    EXPECT_EQ(stored(package).media.size(), 1u) << "no image was removed";
    EXPECT_TRUE(stored(package).marks.empty());
    EXPECT_EQ(lumbex({"request", package, "--active", id}).exitCode, 1)
        << "a known id is accepted (this note has nothing to request yet)";
    EXPECT_EQ(lumbex({"note", "mark", package, "--image", "1", "--kind", "arrow", "--start", "1,1",
                      "--end", "9,9", "--color", "#12345f"})
                  .exitCode,
              0);
}

TEST_F(HostileInputTest, InputsThatAreNotRegularFilesNeitherHangNorAbort) {
    const QString fifo = folder.path("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString package = note();
    QFile json(package + QStringLiteral("/note.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadWrite) && json.resize(qint64(20) << 30));
    json.close();

    const struct {
        QStringList args;
        QString err;
    } rows[] = {
        {{"note", "create", "/dev/zero", "-o", "Z.capturenote"}, "“zero” is not a regular file.\n"},
        {{"image", "normalize", fifo, "out.png"}, "“pipe.png” is not a regular file.\n"},
        {{"note", "check", package}, "The note metadata is too large to open safely.\n"},
    };
    for (const auto& row : rows) {
        const Result r = lumbex(row.args);
        EXPECT_EQ(r.exitCode, 1) << row.args.join(' ').toStdString();
        EXPECT_EQ(r.err, row.err);
    }
    EXPECT_FALSE(QFileInfo::exists(folder.path("Z.capturenote")));
    EXPECT_FALSE(QFileInfo::exists(folder.path("out.png")));
}

TEST_F(HostileInputTest, FileNamesKeepTheirBytesAndLongNamesCanBeSaved) {
    image("shot.png");
    const Result made = shell(QStringLiteral(
        "cp shot.png \"$(printf 'bad\\377.png')\" && "
        "\"$LUMBEX\" note create \"$(printf 'bad\\377.png')\" -o \"$(printf "
        "'out\\376.capturenote')\" "
        "&& test -d \"$(printf 'out\\376.capturenote')\" "
        "&& rm -r \"$(printf 'out\\376.capturenote')\" \"$(printf 'bad\\377.png')\""));
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();

    const QString longName = QString(200, u'n') + QStringLiteral(".capturenote");
    const QString package = note(longName);
    const Result edited = lumbex({"note", "set", package, "--title", "Long"});
    EXPECT_EQ(edited.exitCode, 0) << edited.err.toStdString();
    EXPECT_EQ(stored(package).title, QStringLiteral("Long"));
}

TEST_F(HostileInputTest, FailedSavesNameThePackageAndTheReason) {
    const Result missing =
        lumbex({"note", "create", image("a.png"), "-o", "/nonexistent/x.capturenote"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Could not save “x.capturenote”: No such file or directory.\n");

    // A private mount namespace: the small file system disappears with the shell.
    test::TemporaryFolder small;
    image("shot.png");
    QImage noise(320, 320, QImage::Format_RGB32); // does not compress below the free space
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(
                x, y,
                qRgb((x * 7919 + y * 104729) % 251, (x * y * 31) % 253, (x * 131 ^ y * 197) % 255));
    folder.write("big.png", test::encoded(noise, "png"));
    const Result full = shell(
        QStringLiteral("unshare -m sh -c 'mount -t tmpfs -o size=96k tmpfs %1 || exit 77; "
                       "\"$LUMBEX\" note create shot.png -o %1/N.capturenote >/dev/null || exit 3; "
                       "\"$LUMBEX\" note add-image %1/N.capturenote big.png; code=$?; "
                       "\"$LUMBEX\" note check %1/N.capturenote >&2 && ls -A %1 >&2; exit $code'")
            .arg(small.path()));
    if (full.exitCode == 77)
        GTEST_SKIP() << "mounting a file system is not permitted here";
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "Could not save “N.capturenote”: No space left on device. Your previous "
                        "save has been kept.\nOK\n.N.capturenote.lock\nN.capturenote\n");
}

TEST_F(HostileInputTest, RunningOutOfMemoryEndsWithAMessageNotAnAbort) {
    // A 10000 × 10000 PNG header on 600 MB (sparse): within what such an image may need, so it
    // is read, in a process allowed 500 MB.
    QFile file(folder.path("huge.png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QImage header(1, 1, QImage::Format_RGB32);
    QByteArray png = test::encoded(header, "png");
    png.replace(16, 8, QByteArray::fromHex("0000271000002710"));         // width and height 10000
    png.replace(29, 4, crc32BigEndian(png.mid(12, 17)));                 // IHDR's type and data
    file.write(png.left(33) + QByteArray::fromHex("20000000") + "IDAT"); // 512 MB of pixel data
    ASSERT_TRUE(file.resize(qint64(600) << 20));
    file.close();
    const Result r = shell(
        QStringLiteral("ulimit -v 500000; \"$LUMBEX\" note create huge.png -o H.capturenote"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Not enough memory to run “lumbex note create”. Nothing was changed.\n");
    EXPECT_FALSE(QFileInfo::exists(folder.path("H.capturenote")));
}

TEST_F(HostileInputTest, HoldingTheClipboardWithoutADisplaySaysSo) {
    const Result r = lumbex({"hold-clipboard", folder.path("ready"), "text"},
                            QStringLiteral(LUMBEX_BINARY), {}, false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "No X display is available. Start Lumbex in an X11 session to use the "
                     "clipboard.\n");
}

} // namespace
} // namespace lumbex
