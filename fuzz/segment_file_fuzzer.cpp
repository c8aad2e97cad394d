#include "core/error.h"
#include "core/ids.h"
#include "platform/recording_media.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

// Untrusted segment bytes, as a crash or a damaged disk leaves them: the inspector must describe
// a segment within sane bounds or refuse it with a LumbexError, and the frame reader must give a
// picture of the movie's size or refuse. Any other exception, a crash, a hang or a sanitizer
// report is a finding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumbex;
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("segment.mov"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        throw std::runtime_error("the input could not be written to a file");
    file.close();

    try {
        const RecordingSegment segment = inspectRecordingSegment(path, newId());
        if (segment.width <= 0 || segment.height <= 0 || segment.duration <= 0 ||
            segment.byteCount != qint64(size) || segment.sha256.size() != 64)
            throw std::logic_error("an inspected segment is out of bounds");
    } catch (const LumbexError&) {
        // Refused with a message: the expected outcome for damaged input.
    }
    try {
        const QImage frame = readRecordingFrame(path, 500'000);
        if (frame.isNull() || frame.format() != QImage::Format_RGB32)
            throw std::logic_error("a frame came back without pixels");
    } catch (const LumbexError&) {
    }
    return 0;
}
