#include "cloud/cloud_deletion.h"

#include "cloud/cloud_binding.h"
#include "cloud/cloud_files.h"
#include "cloud/cloud_sync.h"
#include "core/error.h"
#include "core/files.h"
#include "core/json_writer.h"
#include "library/trash.h"
#include "model/note_coding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <set>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

constexpr qint64 kRevisionLimit = qint64(8) << 20;

QString rootOf(const DeletedNote& entry) {
    const auto folder =
        entry.cloudBinding ? CloudSync::folderForDeletion(*entry.cloudBinding) : std::nullopt;
    if (!folder)
        fail("The cloud note is missing. Cloud files have been kept; restore the local note or "
             "retry when the sync folder is available.");
    return *folder;
}

QByteArray marker(const DeletedNote& entry) {
    JsonWriter out(JsonWriter::Style::Pretty);
    out.beginObject();
    out.key("deletedAt");
    out.value(entry.deletedAt);
    out.key("id");
    out.value(entry.id);
    out.key("noteID");
    out.value(entry.noteID);
    out.key("paths");
    out.array(entry.cloudPaths.value_or(std::vector<QString>{}),
              [&](const QString& p) { out.value(p); });
    out.key("title");
    out.value(entry.title);
    out.endObject();
    return out.take();
}

void requireSafe(const DeletedNote& entry, const QString& path) {
    try {
        CloudFiles::validatePath(path);
    } catch (const LumbexError&) {
        fail("A deleted cloud file has an unsafe path. Its files have been kept.");
    }
    if (path != CloudRevision::noteFolderPath(entry.noteID) && !path.startsWith(u"Reviews/"))
        fail("A deleted cloud file has an unsafe path. Its files have been kept.");
}

// Once everything is back, the marker and the folders left empty go too, so that no deletion
// marker stands for a note that is active again. Only empty folders are removed: anything else
// found there stays.
void tidyArchive(const QString& root, const DeletedNote& entry) {
    const QString archive = CloudFiles::resolve(root, entry.cloudArchivePath());
    const QString marker = archive + QStringLiteral("/deletion.json");
    if (entryKind(marker) == EntryKind::File)
        QFile::remove(marker);
    for (const QString& path : entry.cloudPaths.value_or(std::vector<QString>{}))
        for (QString folder = QFileInfo(archive + u'/' + path).path();
             folder.startsWith(archive + u'/'); folder = QFileInfo(folder).path())
            QDir().rmdir(folder);
    QDir().rmdir(archive);
    QDir().rmdir(QFileInfo(archive).path());
}

} // namespace

CloudDeletion::CloudDeletion(std::function<void(const DeletedNote&)> resumed)
    : resumed_(std::move(resumed)) {}

bool CloudDeletion::reachable(const DeletedNote& entry) const {
    return entry.cloudBinding && CloudSync::folderForDeletion(*entry.cloudBinding);
}

void CloudDeletion::plan(DeletedNote& entry) {
    const QString root = rootOf(entry);
    const QString notePath = CloudRevision::noteFolderPath(entry.noteID);
    const QString noteFolder = CloudFiles::resolve(root, notePath);
    if (entryKind(noteFolder) != EntryKind::Folder)
        fail("The cloud note is missing. Cloud files have been kept; restore the local note or "
             "retry when the sync folder is available.");
    const QString pointer = noteFolder + QStringLiteral("/note.json");
    if (entryKind(pointer) == EntryKind::File) {
        std::optional<Id> pointerNote;
        try {
            pointerNote = decodeNoteJson(readFile(pointer, kRevisionLimit)).id;
        } catch (const LumbexError&) {
        }
        if (pointerNote != entry.noteID)
            fail("The cloud note was replaced. Its files have been kept.");
    }
    std::set<QString> reviews;
    const QDir revisions(noteFolder + QStringLiteral("/revisions"));
    for (const QString& name : revisions.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        if (name.endsWith(QStringLiteral(".note.json")))
            continue;
        const InputFile file(revisions.filePath(name));
        if (file.size() >= kRevisionLimit)
            fail("A cloud revision is too large to read.");
        const CloudRevision revision = CloudCoding::decodeRevision(file.readAll(kRevisionLimit));
        if (revision.noteID != entry.noteID)
            fail("A cloud revision belongs to another note. Its files have been kept.");
        reviews.insert(revision.readerPDF.section(u'/', 0, 1));
    }
    std::vector<QString> paths{notePath};
    for (const QString& review : reviews)
        if (entryKind(CloudFiles::resolve(root, review)) == EntryKind::Folder)
            paths.push_back(review);
    entry.cloudPaths = paths;
}

void CloudDeletion::archive(const DeletedNote& entry) {
    const QString root = rootOf(entry);
    const QString archive = CloudFiles::resolve(root, entry.cloudArchivePath());
    makeFolders(archive);
    writeFileAtomically(archive + QStringLiteral("/deletion.json"), marker(entry));
    for (const QString& path : entry.cloudPaths.value_or(std::vector<QString>{})) {
        requireSafe(entry, path);
        const QString active = CloudFiles::resolve(root, path);
        const QString archived = CloudFiles::resolve(root, entry.cloudArchivePath() + u'/' + path);
        const bool activeExists = entryKind(active) != EntryKind::Missing;
        const bool archivedExists = entryKind(archived) != EntryKind::Missing;
        if (activeExists && archivedExists)
            fail("A cloud path has both active and deleted copies. Both have been kept.");
        if (!activeExists)
            continue;
        makeFolders(QFileInfo(archived).path());
        renameNoReplace(active, archived);
    }
}

void CloudDeletion::restore(const DeletedNote& entry) {
    const QString root = rootOf(entry);
    for (const QString& path : entry.cloudPaths.value_or(std::vector<QString>{})) {
        requireSafe(entry, path);
        const QString active = CloudFiles::resolve(root, path);
        const QString archived = CloudFiles::resolve(root, entry.cloudArchivePath() + u'/' + path);
        const bool activeExists = entryKind(active) != EntryKind::Missing;
        const bool archivedExists = entryKind(archived) != EntryKind::Missing;
        if (archivedExists && activeExists)
            fail("A newer cloud file occupies the restore location. Both copies have been kept.");
        if (!archivedExists) {
            if (activeExists)
                continue; // put back by an earlier, interrupted restore
            fail("A cloud file was removed outside Lumbex. Your restored local note is available; "
                 "cloud sync stays paused.");
        }
        makeFolders(QFileInfo(active).path());
        renameNoReplace(archived, active);
    }
    tidyArchive(root, entry);
    if (resumed_)
        resumed_(entry);
}

void CloudDeletion::trashArchive(const DeletedNote& entry, Trash& trash) {
    const QString archive = CloudFiles::resolve(rootOf(entry), entry.cloudArchivePath());
    if (entryKind(archive) != EntryKind::Missing)
        trash.moveToTrash(archive);
}

} // namespace lumbex
