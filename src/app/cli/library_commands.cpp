#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/error.h"
#include "core/files.h"
#include "core/json_writer.h"
#include "library/notes_library.h"
#include "model/app_folders.h"
#include "model/image_files.h"
#include "model/note_library.h"

#include <QSettings>

namespace lumbex::cli {
namespace {

// The packages the application lists beside its library folder: the notes opened recently.
QStringList recentPackages() {
    const std::unique_ptr<QSettings> settings = openSettings();
    NoteLibrary library(libraryFolder(), *settings);
    QStringList paths;
    for (const RecentNotes::Entry& entry : library.recentNotes())
        paths.append(entry.path);
    return paths;
}

// One field of a tab-separated line: tabs and line breaks would split it.
QString field(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

void listNotes(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--search")}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("library list takes no packages"));
    const QString query = args.value(QStringLiteral("--search"));
    const QStringList queryWords = LibraryEntry::queryWords(query);
    const LibraryContents contents =
        NotesLibrary::load(libraryFolder(), recentPackages(), LibraryEntry::Preview::Skipped);

    std::vector<const LibraryEntry*> shown;
    for (const LibraryEntry& entry : contents.entries)
        if (entry.matches(queryWords))
            shown.push_back(&entry);

    if (args.has(QStringLiteral("--json"))) {
        JsonWriter json(JsonWriter::Style::Pretty);
        json.beginObject();
        json.key("entries");
        json.array(shown, [&](const LibraryEntry* entry) {
            json.beginObject();
            json.key("excerpt");
            json.value(entry->matchingExcerpt(queryWords));
            json.key("id");
            json.value(entry->id);
            json.key("modifiedAt");
            json.value(entry->modifiedAt);
            json.key("path");
            json.value(entry->url);
            json.key("title");
            json.value(entry->title);
            json.endObject();
        });
        json.key("unreadable");
        json.value(contents.unreadable);
        json.endObject();
        out << QString::fromUtf8(json.take());
        return;
    }
    for (const LibraryEntry* entry : shown)
        out << field(entry->url) << u'\t' << field(entry->title) << u'\t'
            << field(entry->matchingExcerpt(queryWords)) << u'\n';
}

void previewNote(const QStringList& words, QTextStream&, QTextStream&) {
    const Arguments args(words, {QStringLiteral("-o")}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString output = args.required(QStringLiteral("-o"));
    const QString package = args.positionals().first();
    const std::optional<LibraryThumbnail> thumbnail =
        LibraryThumbnail::make(NotesLibrary::readNote(package));
    if (!thumbnail)
        throw LumbexError(QStringLiteral("Preview unavailable. Open the note for details."));
    writeFileAtomically(output,
                        ImageFiles::encode(thumbnail->render(package, std::nullopt), false));
}

} // namespace

std::vector<Command> libraryCommands() {
    return {{{QStringLiteral("library"), QStringLiteral("list")},
             QStringLiteral("library list [--search QUERY] [--json]"),
             listNotes},
            {{QStringLiteral("library"), QStringLiteral("preview")},
             QStringLiteral("library preview PACKAGE -o OUT.png"),
             previewNote}};
}

} // namespace lumbex::cli
