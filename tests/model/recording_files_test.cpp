#include "core/sha256.h"
#include "model/note_fixtures.h"
#include "model/recording_files.h"
#include "support/temporary_folder.h"

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

TEST(RecordingFiles, HashesAcrossChunkBoundariesAndFailsForAMissingFile) {
    const test::TemporaryFolder folder;
    for (const qsizetype size : {qsizetype(0), qsizetype(1 << 20) + 1}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = bytesOfSize(size);
        EXPECT_EQ(RecordingFiles::hash(folder.write(QStringLiteral("segment.mov"), bytes)),
                  sha256Hex(bytes));
    }
    EXPECT_EQ(
        test::thrownMessage([&] { RecordingFiles::hash(folder.path(QStringLiteral("gone.mov"))); }),
        kDamaged);
}

TEST(RecordingFiles, VerifyAcceptsOnlyTheFileTheSegmentDescribes) {
    const test::TemporaryFolder folder;
    const QByteArray bytes = bytesOfSize(3000);
    const QString file = folder.write(QStringLiteral("segment.mov"), bytes);
    const RecordingSegment right = segmentFor(bytes);
    RecordingSegment wrongSize = right;
    wrongSize.byteCount += 1;

    const struct {
        const char* name;
        QString file;
        RecordingSegment segment;
        const char* expected;
    } rows[] = {
        {"the right file", file, right, ""},
        {"a size one byte off", file, wrongSize, kDamaged},
        {"other bytes of the same size", file, segmentFor(bytesOfSize(2999) + 'x'), kDamaged},
        {"a missing file", folder.path(QStringLiteral("missing.mov")), right, kDamaged},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(test::thrownMessage([&] { RecordingFiles::verify(row.file, row.segment); }),
                  row.expected);
    }
}

} // namespace
} // namespace lumbex
