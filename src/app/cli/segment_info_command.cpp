#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/ids.h"
#include "core/json_writer.h"
#include "model/recording_coding.h"
#include "platform/recording_media.h"

#include <QFileInfo>

namespace lumbex::cli {
namespace {

const QString kJson = QStringLiteral("--json");

// A segment file is named by its segment's id; any other file gets a fresh one.
Id segmentId(const QString& path) {
    const QFileInfo info(path);
    if (info.suffix() == u"mov")
        if (const std::optional<Id> id = parseId(info.completeBaseName()))
            return *id;
    return newId();
}

void printPlain(const RecordingSegment& segment, QTextStream& out) {
    out << "size " << segment.width << 'x' << segment.height << '\n';
    out << "start " << segment.sourceStart << '\n';
    out << "duration " << segment.duration << '\n';
    out << "bytes " << segment.byteCount << '\n';
    out << "sha256 " << segment.sha256 << '\n';
    out << "audio";
    if (segment.audioTracks.empty())
        out << " none";
    for (const auto& [role, track] : segment.audioTracks)
        out << ' ' << rawValue(role) << '=' << track;
    out << '\n';
}

void inspect(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {kJson});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one segment file"));
    const QString path = args.positionals()[0];
    const RecordingSegment segment = inspectRecordingSegment(path, segmentId(path));
    if (!args.has(kJson)) {
        printPlain(segment, out);
        return;
    }
    JsonWriter writer(JsonWriter::Style::Compact);
    writeRecordingSegment(writer, segment);
    out << QString::fromUtf8(writer.take()) << '\n';
}

} // namespace

Command recordingInspectCommand() {
    return {{QStringLiteral("recording"), QStringLiteral("inspect")},
            QStringLiteral("recording inspect FILE.mov [--json]"),
            inspect};
}

} // namespace lumbex::cli
