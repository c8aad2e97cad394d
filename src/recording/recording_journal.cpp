#include "recording/recording_journal.h"

#include "core/error.h"
#include "core/files.h"
#include "core/json_read.h"
#include "core/json_writer.h"
#include "model/recording_coding.h"
#include "model/recording_files.h"
#include "records/recording_time.h"

#include <QDir>
#include <algorithm>

namespace lumbex {
namespace {

const QString kUnreadable = QStringLiteral(
    "This folder does not contain readable recording information. The original files have been "
    "kept. Choose another folder or use Show Files to inspect them.");
const QString kNewerVersion = QStringLiteral("This recording needs a newer version of Lumbex.");

// A journal holds the same recording as a note's note.json, whose limit this is: any recording
// that fits in a note can be recovered.
constexpr qint64 kMaxRecoveredJournalBytes = qint64(8) << 20;

RecordingJournal decodeFields(const JsonObjectNode& o) {
    RecordingJournal journal;
    journal.version = o.required(QStringLiteral("version")).toInt32();
    journal.recording = decodeScreenRecording(o.required(QStringLiteral("recording")));
    journal.activeSegment =
        o.optionalOf(QStringLiteral("activeSegment"), [](const JsonNode& n) { return n.toId(); });
    journal.completed = o.required(QStringLiteral("completed")).toBool();
    journal.issue =
        o.optionalOf(QStringLiteral("issue"), [](const JsonNode& n) { return n.toString(); });
    return journal;
}

QString segmentPath(const QString& folder, const RecordingSegment& segment) {
    return QDir(folder).filePath(segment.filename());
}

// The file must be a regular file (never followed through a link) with the segment's size and
// digest.
bool isIntact(const QString& file, const RecordingSegment& segment) {
    try {
        if (InputFile(file).size() != segment.byteCount)
            return false;
        return RecordingFiles::hash(file) == segment.sha256;
    } catch (const LumbexError&) {
        return false;
    }
}

// The unfinished segment as far as it can be read, or nothing. A link or anything but a regular
// file is not handed to the inspector.
std::optional<RecordingSegment> inspectActive(const QString& folder, const Id& id,
                                              const SegmentInspector& inspect) {
    const QString file = QDir(folder).filePath(idString(id) + QStringLiteral(".mov"));
    if (entryKind(file) != EntryKind::File)
        return std::nullopt;
    try {
        return inspect(file, id);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

RecordingJournal readJournal(const QString& folder) {
    std::optional<JsonObjectNode> object;
    qint64 version = 0;
    try {
        object = parseJsonObject(
            readFile(QDir(folder).filePath(kRecordingJournalFile), kMaxRecoveredJournalBytes));
        version = object->required(QStringLiteral("version")).toInt64();
    } catch (const LumbexError&) {
        throw LumbexError(kUnreadable);
    }
    if (version != 1)
        throw LumbexError(kNewerVersion);
    try {
        return decodeFields(*object);
    } catch (const LumbexError&) {
        throw LumbexError(kUnreadable);
    }
}

} // namespace

RecordingJournal RecordingJournal::make() {
    RecordingJournal journal;
    journal.recording = ScreenRecording::make();
    return journal;
}

QByteArray RecordingJournal::encode(bool pretty) const {
    JsonWriter out(pretty ? JsonWriter::Style::Pretty : JsonWriter::Style::Compact);
    out.beginObject();
    out.optional("activeSegment", activeSegment);
    out.key("completed");
    out.value(completed);
    out.optional("issue", issue);
    out.key("recording");
    writeScreenRecording(out, recording);
    out.key("version");
    out.value(version);
    out.endObject();
    return out.take();
}

RecordingJournal RecordingJournal::decode(const QByteArray& bytes) {
    const JsonObjectNode o = parseJsonObject(bytes);
    // The version is read first: a newer journal may not have the shape of this one.
    if (o.required(QStringLiteral("version")).toInt64() != 1)
        throw LumbexError(kNewerVersion);
    return decodeFields(o);
}

RecordingJournal RecordingJournal::decodeAnyVersion(const QByteArray& bytes) {
    return decodeFields(parseJsonObject(bytes));
}

void RecordingJournal::save(const QString& folder) const {
    writeFileAtomically(QDir(folder).filePath(kRecordingJournalFile), encode());
}

RecordingJournal recoverRecording(const QString& folder, const SegmentInspector& inspect) {
    RecordingJournal journal = readJournal(folder);
    ScreenRecording& recording = journal.recording;

    const auto damaged = std::find_if(
        recording.segments.begin(), recording.segments.end(),
        [&](const RecordingSegment& s) { return !isIntact(segmentPath(folder, s), s); });
    if (damaged != recording.segments.end()) {
        recording.segments.erase(damaged, recording.segments.end());
        journal.issue = QStringLiteral("Recovered through %1, before a damaged segment. All later "
                                       "source files have been kept.")
                            .arg(recordingTimeLabel(recording.duration()));
    } else if (journal.activeSegment &&
               std::none_of(
                   recording.segments.begin(), recording.segments.end(),
                   [&](const RecordingSegment& s) { return s.id == *journal.activeSegment; })) {
        if (auto active = inspectActive(folder, *journal.activeSegment, inspect)) {
            recording.segments.push_back(std::move(*active));
            journal.issue = QStringLiteral("Recovered through %1. The recording was interrupted; "
                                           "its final moments may be missing.")
                                .arg(recordingTimeLabel(recording.duration()));
        } else {
            journal.issue = QStringLiteral("Only completed segments could be recovered, through "
                                           "%1. The unfinished segment could not be read.")
                                .arg(recordingTimeLabel(recording.duration()));
        }
    }

    recording.validate();
    const bool interrupted = !journal.completed || journal.activeSegment || journal.issue ||
                             recording.recovery == RecordingRecovery::Partial;
    recording.recovery = interrupted ? RecordingRecovery::Partial : RecordingRecovery::Complete;
    journal.completed = false;
    return journal;
}

} // namespace lumbex
