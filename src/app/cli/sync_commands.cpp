#include "app/cli/arguments.h"
#include "app/cli/cloud_services.h"
#include "app/cli/command.h"
#include "app/cli/recording_package.h"
#include "cloud/cloud_binding.h"
#include "cloud/cloud_store.h"
#include "cloud/cloud_sync.h"
#include "core/error.h"
#include "core/json_writer.h"
#include "model/app_folders.h"
#include "model/note_package.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"

#include <QFileInfo>
#include <csignal>

namespace lumbex::cli {
namespace {

CloudBindings userBindings() {
    return CloudBindings(CloudBindings::folderBeside(libraryFolder()));
}

// The reader video of a note with a screen recording: the composed movie as MP4.
void exportReaderVideo(const ScreenRecording& recording, const QString& segmentFolder,
                       const QString& destination) {
    const RecordingComposition composition = RecordingComposition::make(
        recording, segmentFolder, std::nullopt, true, openSegmentPictures);
    const std::atomic<bool> cancelled = false;
    exportRecordingMP4(composition, destination, platformExportMedia(), cancelled, [](double) {});
}

CloudSync::Services services() {
    return {.writers = platformReaderWriters(),
            .voicePending = {},
            .unsavedSnapshot = {},
            .account = syncAccountLookup(),
            .progress = syncthingUploadProgress(),
            .requestDownload = syncthingDownloadRequest()};
}

// The folder's account now; a client that does not answer is taken as unchanged, and its failure
// shows when the note syncs.
bool accountChanged(const CloudBinding& binding) {
    try {
        return binding.account != syncAccountLookup()(binding.folder);
    } catch (const LumbexError&) {
        return false;
    }
}

QString onePackage(const Arguments& args) {
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    return args.positionals().first();
}

Id noteOf(const QString& package) {
    return readNotePackage(package).note.id;
}

CloudBinding enabledBinding(const CloudBindings& store, const Id& noteID) {
    const auto binding = store.binding(noteID);
    if (!binding || !binding->enabled)
        throw LumbexError(
            QStringLiteral("This note is not connected to a sync folder. Connect it first."));
    return *binding;
}

void connectNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--folder"), QStringLiteral("--voice")}, {});
    const QString package = onePackage(args);
    const QString voice = args.has(QStringLiteral("--voice"))
                              ? args.value(QStringLiteral("--voice"))
                              : QStringLiteral("on");
    if (voice != u"on" && voice != u"off")
        throw UsageError(QStringLiteral("--voice takes on or off"));
    const QString folder = args.required(QStringLiteral("--folder"));
    const Id noteID = noteOf(package);
    CloudSync sync(userBindings(), services(), {});
    sync.connect(noteID, package, folder, voice == u"on");
    out << sync.message(noteID) << '\n';
}

void disableNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    const Id noteID = noteOf(onePackage(args));
    CloudSync sync(userBindings(), services(), {});
    if (!sync.binding(noteID))
        throw LumbexError(QStringLiteral("This note is not connected to a sync folder."));
    sync.disable(noteID);
    out << sync.label(noteID, 0) << '\n';
}

void syncNow(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    const QString package = onePackage(args);
    const Id noteID = noteOf(package);
    const CloudBindings store = userBindings();
    CloudBinding binding = enabledBinding(store, noteID);
    binding.localNote = QFileInfo(package).absoluteFilePath();
    if (binding.account != syncAccountLookup()(binding.folder))
        throw LumbexError(CloudLabels::accountChanged);
    CloudStore::checkFolder(binding.folder);
    // Crash tests give a count here: the process dies by SIGKILL right after that many files are
    // in place in the sync folder, as a power cut there would leave them.
    const int killAfter = qEnvironmentVariableIntValue("LUMBEX_KILL_AFTER_PLACED");
    int placedCount = 0;
    const auto placed = [&](const QString&) {
        if (killAfter > 0 && ++placedCount == killAfter)
            std::raise(SIGKILL);
    };
    binding.receipt = prepareAndPublish(noteID, binding, std::nullopt, store.queue(),
                                        platformReaderWriters(), placed);
    store.put(noteID, binding);
    out << binding.receipt->revision.identifier << '\n';
}

void syncStatus(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    const QString package = onePackage(args);
    const CaptureNote note = readNotePackage(package).note;
    const auto binding = userBindings().binding(note.id);
    QString label;
    if (!binding)
        label = CloudLabels::off;
    else if (!binding->enabled)
        label = CloudLabels::offKept;
    else if (accountChanged(*binding))
        label = CloudLabels::accountChanged;
    else if (!binding->receipt || binding->receipt->revision.revision != note.revision)
        label = CloudLabels::updating;
    else {
        try {
            label = CloudStore::status(binding->folder, *binding->receipt).label();
        } catch (const LumbexError& error) {
            label = CloudLabels::failedPrefix + error.message();
        }
    }
    if (!args.has(QStringLiteral("--json"))) {
        out << label << '\n';
        if (binding && binding->receipt)
            out << binding->receipt->revision.identifier << '\n';
        return;
    }
    JsonWriter json(JsonWriter::Style::Pretty);
    json.beginObject();
    if (binding) {
        json.key("enabled");
        json.value(binding->enabled);
        json.key("folder");
        json.value(binding->folder);
    }
    json.key("label");
    json.value(label);
    if (binding && binding->receipt) {
        json.key("receipt");
        CloudCoding::write(json, *binding->receipt);
    }
    json.endObject();
    out << json.take();
}

void importCloud(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one manifest or cloud package"));
    const QString source = args.positionals().first();
    const QString package = QFileInfo(source).isDir()
                                ? CloudStore::importPackage(source, libraryFolder())
                                : CloudStore::importRevision(source, libraryFolder());
    out << package << '\n';
}

} // namespace

ReaderFileWriters platformReaderWriters() {
    return standardReaderWriters(exportReaderVideo);
}

std::vector<Command> syncCommands() {
    return {
        {{QStringLiteral("sync"), QStringLiteral("connect")},
         QStringLiteral("sync connect PACKAGE --folder DIR [--voice on|off]"),
         connectNote},
        {{QStringLiteral("sync"), QStringLiteral("disable")},
         QStringLiteral("sync disable PACKAGE"),
         disableNote},
        {{QStringLiteral("sync"), QStringLiteral("now")},
         QStringLiteral("sync now PACKAGE"),
         syncNow},
        {{QStringLiteral("sync"), QStringLiteral("status")},
         QStringLiteral("sync status PACKAGE [--json]"),
         syncStatus},
        {{QStringLiteral("sync"), QStringLiteral("import")},
         QStringLiteral("sync import (MANIFEST.json | CLOUD_PACKAGE)"),
         importCloud},
    };
}

} // namespace lumbex::cli
