#include "core/sha256.h"
#include "model/note_fixtures.h"
#include "model/recording_files.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr char kDamaged[] =
    "A recording segment is missing or damaged. The original note has been kept.";

QByteArray bytesOfSize(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 7) & 0xFF);
    return bytes;
}

// A segment describing `bytes` exactly.
RecordingSegment segmentFor(const QByteArray& bytes) {
    RecordingSegment segment = test::makeSegment();
    segment.byteCount = bytes.size();
    segment.sha256 = sha256Hex(bytes);
    return segment;
}

TEST(RecordingFilesHash, HashesAcrossChunkBoundaries) {
    const test::TemporaryFolder folder;
    const qsizetype mebibyte = 1 << 20;
    for (const qsizetype size :
         {qsizetype(0), qsizetype(1), mebibyte - 1, mebibyte, mebibyte + 1, 2 * mebibyte}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = bytesOfSize(size);
        EXPECT_EQ(RecordingFiles::hash(folder.write(QStringLiteral("segment.mov"), bytes)),
                  sha256Hex(bytes));
    }
}

TEST(RecordingFilesHash, FailsForAMissingFile) {
    const test::TemporaryFolder folder;
    EXPECT_EQ(
        test::thrownMessage([&] { RecordingFiles::hash(folder.path(QStringLiteral("gone.mov"))); }),
        kDamaged);
}

TEST(RecordingFilesVerify, AcceptsOnlyTheFileTheSegmentDescribes) {
    const test::TemporaryFolder folder;
    const QByteArray bytes = bytesOfSize(3000);
    const QString file = folder.write(QStringLiteral("segment.mov"), bytes);
    QDir(folder.path()).mkdir(QStringLiteral("folder.mov"));
    const RecordingSegment right = segmentFor(bytes);

    RecordingSegment wrongSize = right;
    wrongSize.byteCount += 1;
    RecordingSegment wrongHash = right;
    wrongHash.sha256 = test::digest();
    const RecordingSegment sameSizeOtherBytes = segmentFor(bytesOfSize(2999) + 'x');
    const RecordingSegment empty = segmentFor({});

    const struct {
        const char* name;
        QString file;
        RecordingSegment segment;
        const char* expected;
    } rows[] = {
        {"the right file", file, right, ""},
        {"a size one byte off", file, wrongSize, kDamaged},
        {"another digest", file, wrongHash, kDamaged},
        {"other bytes of the same size", file, sameSizeOtherBytes, kDamaged},
        {"a missing file", folder.path(QStringLiteral("missing.mov")), right, kDamaged},
        {"a folder", folder.path(QStringLiteral("folder.mov")), empty, kDamaged},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(test::thrownMessage([&] { RecordingFiles::verify(row.file, row.segment); }),
                  row.expected);
    }
}

} // namespace
} // namespace lumbex
