#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "cloud/cloud_binding.h"
#include "cloud/cloud_deletion.h"
#include "core/error.h"
#include "core/json_writer.h"
#include "library/deleted_note_state.h"
#include "library/deleted_notes_store.h"
#include "library/deletion_jobs.h"
#include "library/trash.h"
#include "model/app_folders.h"
#include "model/note_library.h"
#include "model/note_package.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <csignal>

namespace lumbex::cli {
namespace {

// Crash tests name a step here; the process then dies by SIGKILL right after that step is on
// disk, as a power cut there would leave it.
DeletedNotesStore userStore() {
    DeletedNotesStore store(libraryFolder());
    const QByteArray stopAt = qgetenv("LUMBEX_KILL_AFTER_STEP");
    if (!stopAt.isEmpty())
        store.setStepObserver([stopAt](const char* step) {
            if (stopAt == step)
                std::raise(SIGKILL);
        });
    return store;
}

// The sync-folder side of deletions: a restored note syncs again from its new place.
CloudDeletion cloudSide() {
    return CloudDeletion([](const DeletedNote& entry) {
        const CloudBindings bindings(CloudBindings::folderBeside(libraryFolder()));
        if (!entry.cloudBinding || !entry.restoredURL)
            return;
        CloudBinding binding = CloudBinding::fromJson(*entry.cloudBinding);
        binding.localNote = *entry.restoredURL;
        bindings.put(entry.noteID, binding);
    });
}

DeletedNote entryNamed(const DeletedNotesStore& store, const QString& text) {
    const auto id = parseId(text);
    if (!id)
        throw UsageError(QStringLiteral("name a deletion by its id"));
    for (const DeletedNote& entry : store.load())
        if (entry.id == *id)
            return entry;
    throw LumbexError(QStringLiteral("No deleted note has the id %1.").arg(idString(*id)));
}

QString onePositional(const QStringList& words, const QString& what) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one %1").arg(what));
    return args.positionals().first();
}

// The deletion flow of the editor without its question: the package must hold a complete,
// saved note, and is then moved into Recently Deleted.
void deleteNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--with-cloud")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString path = args.positionals().first();
    const DeletedNotesStore store = userStore();
    if (store.contains(path) || QFileInfo(path).isSymLink())
        throw LumbexError(
            QStringLiteral("Restore this note before moving it to Recently Deleted again."));
    const CaptureNote note = readNotePackage(path).note;
    // With its synced copies, the note's sync stops: the binding leaves with it in the record and
    // comes back when a restore puts the copies back.
    const CloudBindings bindings(CloudBindings::folderBeside(libraryFolder()));
    auto all = bindings.load();
    const auto binding = all.find(note.id);
    const bool withCloud = args.has(QStringLiteral("--with-cloud"));
    if (withCloud && binding == all.end())
        throw LumbexError(QStringLiteral("This note is not connected to a sync folder."));
    std::optional<QJsonObject> bindingJson;
    if (binding != all.end())
        bindingJson = binding->second.toJson();
    DeletedNote entry = store.begin(path, note, bindingJson, withCloud, now());
    if (withCloud) {
        all.erase(binding);
        bindings.save(all);
    }
    const std::unique_ptr<QSettings> settings = openSettings();
    NoteLibrary(libraryFolder(), *settings).forget(note.id);
    // The id first: a move that fails leaves an entry to retry by it.
    out << idString(entry.id) << Qt::endl;
    FreedesktopTrash trash;
    CloudDeletion cloud = cloudSide();
    runDeletedNoteJob(store, entry, &cloud, trash, now());
}

void writeEntry(JsonWriter& json, const DeletedNote& entry, Date when) {
    json.beginObject();
    json.key("deletedAt");
    json.value(entry.deletedAt);
    json.key("expiresAt");
    json.value(entry.expiresAt());
    json.key("id");
    json.value(entry.id);
    json.key("noteID");
    json.value(entry.noteID);
    json.key("originalURL");
    json.value(fileURLString(entry.originalURL));
    json.key("state");
    json.value(deletedNoteStateLine(entry, false, when));
    json.key("title");
    json.value(entry.title);
    json.endObject();
}

void listDeleted(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("takes no names"));
    const DeletedNotesStore store = userStore();
    const auto listing = store.read();
    const Date when = now();
    const QString status = deletedNotesStatus(int(listing.entries.size()), listing.unreadable);
    if (args.has(QStringLiteral("--json"))) {
        JsonWriter json(JsonWriter::Style::Pretty);
        json.beginObject();
        json.key("entries");
        json.array(listing.entries, [&](const DeletedNote& e) { writeEntry(json, e, when); });
        json.key("root");
        json.value(store.root());
        json.key("status");
        json.value(status);
        json.key("unreadable");
        json.value(listing.unreadable);
        json.endObject();
        out << json.take();
        return;
    }
    for (const DeletedNote& entry : listing.entries)
        out << idString(entry.id) << '\t' << entry.title << '\t'
            << deletedNoteStateLine(entry, false, when) << '\n';
    out << status << '\n';
}

void restoreDeleted(const QStringList& words, QTextStream& out, QTextStream&) {
    const DeletedNotesStore store = userStore();
    DeletedNote entry = entryNamed(store, onePositional(words, QStringLiteral("deletion id")));
    store.beginRestore(entry);
    FreedesktopTrash trash;
    CloudDeletion cloud = cloudSide();
    const auto restored = runDeletedNoteJob(store, entry, &cloud, trash, now());
    out << restored.value_or(QString()) << '\n';
}

void retryDeleted(const QStringList& words, QTextStream& out, QTextStream&) {
    const DeletedNotesStore store = userStore();
    DeletedNote entry = entryNamed(store, onePositional(words, QStringLiteral("deletion id")));
    FreedesktopTrash trash;
    CloudDeletion cloud = cloudSide();
    if (const auto restored = runDeletedNoteJob(store, entry, &cloud, trash, now()))
        out << *restored << '\n';
    else
        out << deletedNoteStateLine(entry, false, now()) << '\n';
}

Date parseNow(const QString& text) {
    const QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid())
        throw UsageError(QStringLiteral("--now needs an ISO-8601 date and time"));
    return double(when.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateUnixSeconds;
}

// The periodic pass of the application, once, as of `--now`: every entry with work left runs;
// the first failure's message ends the command after all have had their turn.
void expireDeleted(const QStringList& words, QTextStream& out, QTextStream& log) {
    const Arguments args(words, {QStringLiteral("--now")}, {});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("takes no names"));
    const Date when =
        args.has(QStringLiteral("--now")) ? parseNow(args.value(QStringLiteral("--now"))) : now();
    const DeletedNotesStore store = userStore();
    FreedesktopTrash trash;
    CloudDeletion cloud = cloudSide();
    std::optional<QString> failure;
    for (DeletedNote& entry : store.load()) {
        if (!deletedNoteNeedsWork(entry, when))
            continue;
        try {
            runDeletedNoteJob(store, entry, &cloud, trash, when);
        } catch (const LumbexError& e) {
            if (failure)
                log << e.message() << '\n';
            else
                failure = e.message();
        }
        out << idString(entry.id) << '\t' << deletedNoteStateLine(entry, false, when) << '\n';
    }
    if (failure)
        throw LumbexError(*failure);
}

} // namespace

std::vector<Command> deletedCommands() {
    return {
        {{QStringLiteral("note"), QStringLiteral("delete")},
         QStringLiteral("note delete PACKAGE [--with-cloud]"),
         deleteNote},
        {{QStringLiteral("deleted"), QStringLiteral("list")},
         QStringLiteral("deleted list [--json]"),
         listDeleted},
        {{QStringLiteral("deleted"), QStringLiteral("restore")},
         QStringLiteral("deleted restore ID"),
         restoreDeleted},
        {{QStringLiteral("deleted"), QStringLiteral("retry")},
         QStringLiteral("deleted retry ID"),
         retryDeleted},
        {{QStringLiteral("deleted"), QStringLiteral("expire")},
         QStringLiteral("deleted expire [--now ISO-8601]"),
         expireDeleted},
    };
}

} // namespace lumbex::cli
