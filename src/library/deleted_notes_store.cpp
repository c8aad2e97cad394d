#include "library/deleted_notes_store.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/sha256.h"
#include "library/deleted_cloud.h"
#include "library/package_moves.h"
#include "library/trash.h"
#include "model/note_coding.h"
#include "model/note_package.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

const QString kRecordName = QStringLiteral("record.json");
const QString kPackageName = QStringLiteral("Note.capturenote");
const QString kPackageExtension = QStringLiteral(".capturenote");
constexpr qint64 kNoteJsonLimit = qint64(8) << 20;

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// The path with symbolic links resolved as far as it exists; the missing rest is kept as given.
QString resolved(const QString& path) {
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != u'/') {
        rest = u'/' + QFileInfo(existing).fileName() + rest;
        existing = QFileInfo(existing).absolutePath();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}

bool hasPackageExtension(const QString& path) {
    return path.endsWith(kPackageExtension) && path.size() > kPackageExtension.size() &&
           !path.endsWith(u'/' + kPackageExtension);
}

QByteArray readNoteJson(const QString& package) {
    return readFile(package + u'/' + PackageLayout::noteFile, kNoteJsonLimit);
}

} // namespace

DeletedNotesStore::DeletedNotesStore(QString library, QString root)
    : library_(QDir::cleanPath(QFileInfo(library).absoluteFilePath())),
      root_(root.isEmpty() ? defaultRoot(library_)
                           : QDir::cleanPath(QFileInfo(root).absoluteFilePath())) {}

QString DeletedNotesStore::defaultRoot(const QString& library) {
    const QFileInfo info(QDir::cleanPath(QFileInfo(library).absoluteFilePath()));
    const bool preview = info.fileName() == u"Voice Preview Notes";
    return info.absolutePath() + u'/' +
           (preview ? QStringLiteral("Preview Recently Deleted")
                    : QStringLiteral("Recently Deleted"));
}

bool DeletedNotesStore::contains(const QString& path) const {
    const QString root = resolved(root_);
    return resolved(path).startsWith(root == u'/' ? root : root + u'/');
}

QString DeletedNotesStore::directory(const Id& id) const {
    return root_ + u'/' + idString(id);
}

QString DeletedNotesStore::package(const Id& id) const {
    return directory(id) + u'/' + kPackageName;
}

void DeletedNotesStore::save(const DeletedNote& entry) const {
    const QString folder = directory(entry.id);
    if (entryKind(folder) != EntryKind::Folder)
        throw LumbexError(QStringLiteral("The Recently Deleted folder of “%1” is missing or is "
                                         "not a folder. Its files have been kept.")
                              .arg(entry.title));
    writeFileAtomically(folder + u'/' + kRecordName, encodeDeletedNote(entry));
}

std::vector<DeletedNote> DeletedNotesStore::load() const {
    return read().entries;
}

DeletedNotesStore::Listing DeletedNotesStore::read() const {
    Listing listing;
    const EntryKind rootKind = entryKind(root_);
    if (rootKind == EntryKind::Missing)
        return listing;
    const QDir root(root_);
    if (!root.exists())
        throw LumbexError(QStringLiteral("The Recently Deleted folder could not be read."));
    const QStringList names =
        root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const auto id = parseId(name);
        if (!id)
            continue;
        if (auto entry = this->entry(*id))
            listing.entries.push_back(std::move(*entry));
        else
            ++listing.unreadable;
    }
    std::stable_sort(
        listing.entries.begin(), listing.entries.end(),
        [](const DeletedNote& a, const DeletedNote& b) { return a.deletedAt > b.deletedAt; });
    return listing;
}

std::optional<DeletedNote> DeletedNotesStore::entry(const Id& id) const {
    try {
        const QString folder = directory(id);
        if (entryKind(folder) != EntryKind::Folder)
            return std::nullopt;
        DeletedNote entry =
            decodeDeletedNote(readFile(folder + u'/' + kRecordName, kDeletedNoteRecordLimit - 1));
        const bool valid = entry.schemaVersion == 1 && entry.id == id &&
                           hasPackageExtension(entry.originalURL) &&
                           (!entry.restoredURL || hasPackageExtension(*entry.restoredURL)) &&
                           std::isfinite(entry.deletedAt);
        if (valid)
            return entry;
    } catch (const LumbexError&) {
    }
    return std::nullopt;
}

DeletedNote DeletedNotesStore::archive(const QString& path, const CaptureNote& note,
                                       const std::optional<QJsonObject>& binding, bool removeCloud,
                                       Date now) const {
    DeletedNote entry = begin(path, note, binding, removeCloud, now);
    completeLocalArchive(entry);
    return entry;
}

DeletedNote DeletedNotesStore::begin(const QString& path, const CaptureNote& note,
                                     const std::optional<QJsonObject>& binding, bool removeCloud,
                                     Date now) const {
    const QString original = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!hasPackageExtension(original) || contains(original) ||
        entryKind(original) == EntryKind::SymbolicLink)
        fail("Restore this note before moving it to Recently Deleted again.");

    const QByteArray noteJson = readNoteJson(original);
    const CaptureNote saved = decodeNoteJson(noteJson);
    if (saved.id != note.id || saved.revision != note.revision)
        fail("The note changed before it could be deleted. Save it and try again.");

    DeletedNote entry;
    entry.id = newId();
    entry.noteID = note.id;
    entry.title = note.title;
    entry.deletedAt = now;
    entry.originalURL = original;
    entry.metadataSHA256 = sha256Hex(noteJson);
    entry.cloudBinding = binding;
    entry.removeCloudCopies = removeCloud;

    makeFolders(root_);
    makeFolder(directory(entry.id));
    save(entry);
    step("recorded");
    return entry;
}

void DeletedNotesStore::completeLocalArchive(DeletedNote& entry) const {
    if (entry.localArchived)
        return;
    const QString archived = package(entry.id);
    // A move across file systems cut short after its copy was in place: both hold the same
    // files, and removing the original is all that was left to do.
    if (noteJsonDigest(entry.originalURL) == entry.metadataSHA256 &&
        noteJsonDigest(archived) == entry.metadataSHA256 &&
        samePackageFiles(entry.originalURL, archived))
        removePath(entry.originalURL);
    if (entryKind(entry.originalURL) != EntryKind::Missing) {
        if (noteJsonDigest(entry.originalURL) != entry.metadataSHA256 ||
            entryKind(archived) != EntryKind::Missing)
            fail("The note changed or another deleted copy already exists. Both files have been "
                 "kept.");
        movePackage(entry.originalURL, archived, [this] { step("copied"); });
        step("moved");
    }
    if (noteJsonDigest(archived) != entry.metadataSHA256)
        fail("The deleted note could not be verified. Its files have been kept.");
    entry.localArchived = true;
    save(entry);
    step("archived");
}

void DeletedNotesStore::archiveCloud(DeletedNote& entry, DeletedCloudSide* cloud) const {
    if (!entry.removeCloudCopies || entry.cloudArchived || !cloud)
        return;
    if (!entry.cloudPaths) {
        cloud->plan(entry);
        save(entry);
    }
    cloud->archive(entry);
    entry.cloudArchived = true;
    save(entry);
}

QString DeletedNotesStore::chooseRestoreTarget(const DeletedNote& entry) const {
    if (!entry.localArchived && noteJsonDigest(entry.originalURL) == entry.metadataSHA256)
        return entry.originalURL;
    const QString parent = QFileInfo(entry.originalURL).absolutePath();
    if (entryKind(entry.originalURL) == EntryKind::Missing &&
        entryKind(parent) == EntryKind::Folder)
        return entry.originalURL;
    makeFolders(library_);
    return library_ + u'/' + idString(entry.noteID) + QStringLiteral("-restored-") +
           idString(entry.id) + kPackageExtension;
}

void DeletedNotesStore::beginRestore(DeletedNote& entry) const {
    if (entry.restoring)
        return;
    entry.restoring = true;
    save(entry);
    step("restoring");
}

QString DeletedNotesStore::restoreLocal(DeletedNote& entry, Date now) const {
    beginRestore(entry);
    if (!entry.restoredURL) {
        entry.restoredURL = chooseRestoreTarget(entry);
        save(entry);
        step("target");
    }
    const QString target = *entry.restoredURL;
    if (entryKind(target) == EntryKind::SymbolicLink)
        fail("The restore location is a symbolic link. Both copies have been kept.");

    if (entry.restoredMetadata) {
        if (noteJsonDigest(target) != entry.restoredSHA256)
            fail("The restored file was replaced. Both copies have been kept.");
        return target;
    }
    const QString archived = package(entry.id);
    switch (entryKind(archived)) {
    case EntryKind::Folder:
        // A move across file systems cut short after its copy was in place: only the removal
        // of the deleted copy was left.
        if (noteJsonDigest(archived) == entry.metadataSHA256 &&
            noteJsonDigest(target) == entry.metadataSHA256 && samePackageFiles(archived, target)) {
            removePath(archived);
            break;
        }
        if (entryKind(target) != EntryKind::Missing)
            fail("The restore location is occupied. Both notes have been kept.");
        if (noteJsonDigest(archived) != entry.metadataSHA256)
            fail("The deleted note changed outside Lumbex. Its files have been kept.");
        movePackage(archived, target, [this] { step("copied"); });
        step("moved");
        break;
    case EntryKind::Missing:
        // Moved by an interrupted run, or never moved at all: the target holds the note.
        break;
    default:
        fail("The deleted note changed outside Lumbex. Its files have been kept.");
    }
    rewriteRestoredNote(entry, target, now);
    return target;
}

void DeletedNotesStore::rewriteRestoredNote(DeletedNote& entry, const QString& target,
                                            Date now) const {
    const auto digest = noteJsonDigest(target);
    if (!digest || (*digest != entry.metadataSHA256 && digest != entry.restoredSHA256))
        fail("The deleted note changed outside Lumbex. Its files have been kept.");
    if (*digest == entry.metadataSHA256) {
        CaptureNote note = decodeNoteJson(readNoteJson(target));
        note.revision += 1;
        note.modifiedAt = now;
        const QByteArray bytes = encodeNoteJson(note);
        // The new digest is on record before the file changes, so a repeated run can tell the
        // rewrite it made from a file replaced by someone else.
        entry.restoredSHA256 = sha256Hex(bytes);
        save(entry);
        step("digest");
        writeFileAtomically(target + u'/' + PackageLayout::noteFile, bytes);
        step("rewritten");
    }
    entry.restoredMetadata = true;
    save(entry);
    step("restored");
}

void DeletedNotesStore::finishRestore(const DeletedNote& entry) const {
    const QString folder = directory(entry.id);
    if (!entry.restoredMetadata || entryKind(package(entry.id)) != EntryKind::Missing ||
        entryKind(folder) != EntryKind::Folder)
        return;
    // The lock file the move left beside the package, and the staging copy of a move across
    // file systems cut short, are ours to remove.
    const QString ours = QFileInfo(temporarySiblingPrefix(package(entry.id))).fileName();
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                      QDir::Hidden | QDir::System))
        if (name.startsWith(ours))
            removePath(folder + u'/' + name);
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                    QDir::Hidden | QDir::System);
    if (left != QStringList{kRecordName}) {
        // Someone else's files stay, in a folder that now lists as unreadable.
        removePath(folder + u'/' + kRecordName);
        return;
    }
    // Renamed to a hidden name first, so that an interruption never leaves a folder named by
    // the deletion without its record.
    const QString leaving = temporarySibling(folder, QStringLiteral("restored"));
    renameNoReplace(folder, leaving);
    step("unrecorded");
    removePath(leaving);
}

void DeletedNotesStore::expire(DeletedNote& entry, DeletedCloudSide* cloud, Date now,
                               Trash& trash) const {
    if (!entry.localArchived || entry.expiredToTrash || now < entry.expiresAt())
        return;
    if (entry.removeCloudCopies) {
        if (!cloud || !entry.cloudArchived)
            fail("Waiting for the sync folder before the deleted note can expire.");
        cloud->trashArchive(entry, trash);
    }
    // Saved first: a package found in the folder afterwards is one put back from the Trash.
    entry.expiredToTrash = true;
    save(entry);
    step("expired");
    if (entryKind(package(entry.id)) != EntryKind::Missing)
        trash.moveToTrash(package(entry.id));
}

} // namespace lumbex
