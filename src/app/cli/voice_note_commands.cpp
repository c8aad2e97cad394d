#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/document_saving.h"
#include "app/cli/package_edit.h"
#include "app/cli/process_signals.h"
#include "app/cli/voice_draft_opening.h"
#include "app/voice_note_services.h"
#include "platform/audio_files.h"
#include "voice/voice_session.h"

#include <QEventLoop>
#include <QTimer>
#include <csignal>

namespace lumbex::cli {
namespace {

const QSet<QString> kTargetOptions{QStringLiteral("--note")};
const QSet<QString> kTargetFlags{QStringLiteral("--general")};

// The text to dictate into: a location note by its 1-based place in the note list, or the
// general note.
std::optional<Id> chosenTarget(const Arguments& args, const CaptureNote& note) {
    if (args.has(QStringLiteral("--note")) && args.has(QStringLiteral("--general")))
        throw UsageError(QStringLiteral("choose one of --note and --general"));
    if (!args.has(QStringLiteral("--note")))
        return std::nullopt;
    bool ok = false;
    const qsizetype number = args.value(QStringLiteral("--note")).toLongLong(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("--note takes a note number"));
    if (number < 1 || number > qsizetype(note.notes.size()))
        throw LumbexError(QStringLiteral("This note has no note %1.").arg(number));
    return note.notes[std::size_t(number - 1)].id;
}

TextRange chosenPlace(const Arguments& args, const QString& body) {
    if (!args.has(QStringLiteral("--at")))
        return {-1, 0};
    bool ok = false;
    const qsizetype offset = args.value(QStringLiteral("--at")).toLongLong(&ok);
    if (!ok || offset < 0)
        throw UsageError(QStringLiteral("--at takes an offset of 0 or more"));
    if (offset > body.size())
        throw LumbexError(
            QStringLiteral("The text has only %1 characters; choose an offset up to that.")
                .arg(body.size()));
    return {offset, 0};
}

// Runs the session until it is done and reports its recording: the id on `out`, an issue on
// `log`. A session that kept nothing fails with its message.
void finishSession(VoiceSession& session, NoteDocument& document, QTextStream& out,
                   QTextStream& log) {
    QEventLoop loop;
    session.onFinish = [&loop] { loop.quit(); };
    if (session.phase() != VoiceSession::Phase::Done)
        loop.exec();
    const auto& recordings = document.note().recordings;
    const bool kept =
        recordings && std::any_of(recordings->begin(), recordings->end(),
                                  [&](const VoiceRecording& r) { return r.id == session.id(); });
    if (!kept || session.message().startsWith(QStringLiteral("Couldn’t save voice note: ")))
        throw LumbexError(session.message());
    if (session.message() != u"Transcript ready")
        log << session.message() << '\n';
    out << idString(session.id()) << '\n';
}

std::shared_ptr<VoiceSession> makeSession(const Arguments& args, NoteDocument& document) {
    const std::optional<Id> target = chosenTarget(args, document.note());
    const TextRange place = chosenPlace(args, document.note().body(target).value_or(QString()));
    return VoiceSession::make(document, target, place, QStringLiteral("en-US"),
                              systemVoiceServices(document.note()));
}

void importAudio(const QStringList& words, QTextStream& out, QTextStream& log) {
    QSet<QString> options = kTargetOptions;
    options.insert(QStringLiteral("--at"));
    const Arguments args(words, options, kTargetFlags);
    if (args.positionals().size() != 2)
        throw UsageError(QStringLiteral("name one package and one audio file"));
    PackageEdit edit = openPackageForEdit(args.positionals()[0]);
    recoverDraftsOf(*edit.document);
    // A file that cannot be imported leaves the note as it was: no recording entry is written.
    requireImportableLength(*openAudioFile(args.positionals()[1]));
    auto session = makeSession(args, *edit.document);
    session->start(args.positionals()[1]);
    finishSession(*session, *edit.document, out, log);
}

void dictate(const QStringList& words, QTextStream& out, QTextStream& log) {
    QSet<QString> options = kTargetOptions;
    options.insert(QStringLiteral("--seconds"));
    const Arguments args(words, options, kTargetFlags);
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    bool ok = false;
    const double seconds = args.required(QStringLiteral("--seconds")).toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 300)
        throw UsageError(QStringLiteral("--seconds takes a number above 0, up to 300"));
    // Before any thread starts, so that only the event loop sees an interrupt.
    ProcessSignals interrupts({SIGINT, SIGTERM});
    PackageEdit edit = openPackageForEdit(args.positionals()[0]);
    recoverDraftsOf(*edit.document);
    auto session = makeSession(args, *edit.document);
    QObject::connect(&interrupts, &ProcessSignals::received, [&session] { session->stop(); });
    // The time counts from when the microphone records, not while the recogniser loads.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&session] { session->stop(); });
    session->onChange = [&session, &limit, seconds] {
        if (session->phase() == VoiceSession::Phase::Recording && !limit.isActive())
            limit.start(int(seconds * 1000));
    };
    session->start();
    finishSession(*session, *edit.document, out, log);
}

void removeAudio(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 2)
        throw UsageError(QStringLiteral("name one package and one recording id"));
    const auto id = parseId(args.positionals()[1]);
    if (!id)
        throw UsageError(QStringLiteral("RECORDING_ID is a recording's UUID"));
    PackageEdit edit = openPackageForEdit(args.positionals()[0]);
    recoverDraftsOf(*edit.document);
    const auto& recordings = edit.document->note().recordings;
    if (!recordings || std::none_of(recordings->begin(), recordings->end(),
                                    [&](const VoiceRecording& r) { return r.id == *id; }))
        throw LumbexError(QStringLiteral("This note has no voice recording with that id."));
    edit.document->change(QStringLiteral("Remove Voice Audio"), [&](CaptureNote& note) {
        for (VoiceRecording& r : *note.recordings) {
            if (r.id == *id)
                r.audioSHA256.reset();
        }
    });
    saveNow(*edit.document);
    out << edit.document->note().revision << '\n';
}

} // namespace

std::vector<Command> voiceNoteCommands() {
    return {
        {{QStringLiteral("voice"), QStringLiteral("import")},
         QStringLiteral("voice import PACKAGE AUDIO [--note NUMBER | --general] [--at OFFSET]"),
         importAudio},
        {{QStringLiteral("voice"), QStringLiteral("dictate")},
         QStringLiteral("voice dictate PACKAGE [--note NUMBER | --general] --seconds S"),
         dictate},
        {{QStringLiteral("voice"), QStringLiteral("remove-audio")},
         QStringLiteral("voice remove-audio PACKAGE RECORDING_ID"),
         removeAudio},
    };
}

} // namespace lumbex::cli
