#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/note_creation.h"
#include "core/error.h"
#include "core/json_writer.h"
#include "model/app_folders.h"
#include "model/note_package.h"
#include "platform/recording_media.h"
#include "recording/pending_recording.h"
#include "recording/recording_journal.h"
#include "recording/recording_note.h"
#include "records/recording_time.h"

#include <QFileInfo>
#include <QSettings>

namespace lumbex::cli {
namespace {

RecordingSegment inspectUnfinishedSegment(const QString& file, const Id& id) {
    return inspectRecordingSegment(file, id);
}

// The package must not land in the recording folder, which recovery leaves exactly as it was.
void refusePackageInside(const QString& packagePath, const QString& folder) {
    const QString parent = QFileInfo(QFileInfo(packagePath).absolutePath()).canonicalFilePath();
    const QString recording = QFileInfo(folder).canonicalFilePath();
    if (parent.isEmpty() || recording.isEmpty())
        return;
    if (parent == recording || parent.startsWith(recording + u'/'))
        throw LumbexError(QStringLiteral("Choose a place for the note outside the recording "
                                         "folder: its files are kept as they are."));
}

void saveRecoveredNote(const QString& folder, const QString& packagePath, QTextStream& out) {
    refusePackageInside(packagePath, folder);
    // Read before recovering, so that a journal that changes meanwhile is not marked reviewed.
    const std::optional<PendingRecording> pending = PendingRecording::read(folder);
    const RecordingJournal journal = recoverRecording(folder, inspectUnfinishedSegment);

    NotePackageContents contents = noteFromRecording(journal.recording, folder, readRecordingFrame);
    contents.note.title = QStringLiteral("Recovered · ") + journal.recording.title;
    out << createUserNote(contents, packagePath) << '\n';

    if (pending)
        pending->rememberSavedCopy(*openSettings());
}

void recover(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("-o")}, {QStringLiteral("--json")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one recording folder"));
    if (args.has(QStringLiteral("-o")) && args.has(QStringLiteral("--json")))
        throw UsageError(QStringLiteral("give either --json or -o PACKAGE"));
    const QString folder = args.positionals().first();

    if (args.has(QStringLiteral("-o"))) {
        saveRecoveredNote(folder, args.value(QStringLiteral("-o")), out);
        return;
    }
    const RecordingJournal journal = recoverRecording(folder, inspectUnfinishedSegment);
    if (args.has(QStringLiteral("--json"))) {
        out << journal.encode(false) << '\n';
        return;
    }
    out << "duration " << recordingTimeLabel(journal.recording.duration()) << '\n'
        << "recovery " << rawValue(*journal.recording.recovery) << '\n';
    if (journal.issue)
        out << "issue " << *journal.issue << '\n';
}

// One line per recording: a title's inner tabs and line breaks would split it.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

void listPending(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected “%1”").arg(args.positionals().first()));
    const std::vector<PendingRecording> pending = PendingRecording::discover(
        pendingRecordingsFolder(libraryFolder()), PendingRecording::reviewed(*openSettings()));
    if (!args.has(QStringLiteral("--json"))) {
        for (const PendingRecording& p : pending)
            out << p.directory << '\t' << oneLine(p.title) << '\t' << p.detail << '\n';
        return;
    }
    JsonWriter json(JsonWriter::Style::Compact);
    json.array(pending, [&](const PendingRecording& p) {
        json.beginObject();
        json.key("createdAt");
        json.value(p.createdAt);
        json.key("detail");
        json.value(p.detail);
        json.key("directory");
        json.value(p.directory);
        json.key("signature");
        if (p.signature)
            json.value(*p.signature);
        else
            json.null();
        json.key("title");
        json.value(p.title);
        json.endObject();
    });
    out << json.take() << '\n';
}

} // namespace

std::vector<Command> recordingCommands() {
    std::vector<Command> commands = {
        {{QStringLiteral("recording"), QStringLiteral("recover")},
         QStringLiteral("recording recover FOLDER [--json | -o PACKAGE]"),
         recover},
        {{QStringLiteral("recording"), QStringLiteral("pending")},
         QStringLiteral("recording pending [--json]"),
         listPending},
        recordingInspectCommand(),
    };
    for (std::vector<Command> group : {recordingEditCommands(), recordingExportCommands()})
        for (Command& command : group)
            commands.push_back(std::move(command));
    return commands;
}

} // namespace lumbex::cli
