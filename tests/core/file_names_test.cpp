#include "core/file_names.h"
#include "core/files.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

TEST(FileNames, EveryByteSequenceSurvivesTheRoundTrip) {
    const QByteArray rows[] = {
        "plain.png",
        "bad\xff.png",
        "\x80\x81\xfe",
        "caf\xc3\xa9 \xe2\x9c\x93.png", // valid UTF-8 stays text
        "\xc3",                         // a sequence cut short
        "\xc0\xaf",                     // an overlong slash
        "\xed\xa0\x80",                 // an encoded surrogate
        "\xf0\x90\x82\x80\xff",         // U+10080 (a pair ending in DC80) then a stray byte
        "\xf4\x90\x80\x80",             // past U+10FFFF
    };
    for (const QByteArray& bytes : rows)
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes) << bytes.toHex().constData();
    EXPECT_EQ(decodeFileName("caf\xc3\xa9"), QStringLiteral("café"));
    EXPECT_EQ(displayFileName(decodeFileName("bad\xff.png")), QStringLiteral("bad\uFFFD.png"));
    EXPECT_EQ(displayFileName(decodeFileName("\xf0\x90\x82\x80")),
              QString::fromUtf8("\xf0\x90\x82\x80"));
}

TEST(FileNames, AFileWhoseNameIsNotUtf8IsReadAndWrittenByItsOwnName) {
    test::TemporaryFolder folder;
    const QByteArray raw = QFile::encodeName(folder.path()) + "/bad\xff.png";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "bytes", 5), 5);
    ::close(fd);

    const QString name = decodeFileName(raw);
    EXPECT_EQ(readFile(name, 100), "bytes");
    writeFileAtomically(decodeFileName(QFile::encodeName(folder.path()) + "/out\xfe.txt"), "x");
    EXPECT_EQ(::access((QFile::encodeName(folder.path()) + "/out\xfe.txt").constData(), F_OK), 0)
        << "the written file has exactly the bytes given";
}

} // namespace
} // namespace lumbex
