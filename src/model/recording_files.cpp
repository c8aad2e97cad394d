#include "model/recording_files.h"

#include "core/error.h"
#include "core/sha256.h"

#include <QFileInfo>

namespace lumbex::RecordingFiles {
namespace {

const QString kDamaged =
    QStringLiteral("A recording segment is missing or damaged. The original note has been kept.");

} // namespace

QString hash(const QString& file) {
    return sha256HexOfFile(file, kDamaged);
}

void verify(const QString& file, const RecordingSegment& segment) {
    const QFileInfo info(file);
    if (!info.isFile() || info.size() != segment.byteCount || hash(file) != segment.sha256)
        throw LumbexError(kDamaged);
}

} // namespace lumbex::RecordingFiles
