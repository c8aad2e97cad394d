#include "library/notes_library.h"

#include "core/error.h"
#include "core/files.h"
#include "library/deleted_notes_store.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "model/schema_level.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <optional>
#include <set>

namespace lumbex {
namespace {

const QString kExtension = QStringLiteral("capturenote");

QStringList packagesIn(const QString& root) {
    const QFileInfo info(root);
    if (!info.exists())
        return {};
    if (!info.isDir())
        throw LumbexError(QStringLiteral("The notes folder “%1” is not a folder.").arg(root));
    QDir folder(root);
    if (!folder.isReadable())
        throw LumbexError(QStringLiteral("The notes folder “%1” cannot be read.").arg(root));
    QStringList out;
    for (const QString& name :
         folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        if (QFileInfo(name).suffix() == kExtension)
            out.append(folder.filePath(name));
    return out;
}

// The packages to read, each once (by where it really is), none inside Recently Deleted.
QStringList candidates(const QString& root, const QStringList& additional) {
    const DeletedNotesStore deleted(root);
    QStringList out;
    std::set<QString> seen;
    const auto add = [&](const QString& path, const QString& resolved) {
        if (seen.insert(resolved).second)
            out.append(path);
    };
    // Resolving a path costs a system call per component, so the root is resolved once: a
    // package folder in it lies where the root does. A symbolic link (found unreadable later)
    // is resolved on its own so that it neither duplicates a package nor leads into Recently
    // Deleted.
    const QStringList inRoot = packagesIn(root);
    if (!inRoot.isEmpty() && !deleted.contains(root)) {
        const QString resolvedRoot = QFileInfo(root).canonicalFilePath();
        for (const QString& path : inRoot) {
            const EntryKind kind = entryKind(path);
            if (kind == EntryKind::SymbolicLink) {
                const QString target = QFileInfo(path).canonicalFilePath();
                if (!deleted.contains(path))
                    add(path, target.isEmpty() ? path : target);
            } else if (kind != EntryKind::Missing) {
                add(path, resolvedRoot + u'/' + QFileInfo(path).fileName());
            }
        }
    }
    for (const QString& url : additional) {
        const QString path = QDir::cleanPath(QFileInfo(url).absoluteFilePath());
        if (QFileInfo(path).suffix() != kExtension || entryKind(path) == EntryKind::Missing ||
            deleted.contains(path))
            continue;
        const QString resolved = QFileInfo(path).canonicalFilePath();
        add(path, resolved.isEmpty() ? path : resolved);
    }
    return out;
}

std::optional<LibraryEntry> read(const QString& package, LibraryEntry::Preview preview) {
    try {
        return LibraryEntry::make(NotesLibrary::readNote(package), package, preview);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

} // namespace

CaptureNote NotesLibrary::readNote(const QString& package) {
    refuseLinkedPackage(package);
    const QString incomplete = QStringLiteral("This is not a complete Lumbex note.");
    // Opening refuses a package that is not a folder and a note.json that is not a regular
    // file; the size is checked before anything is read.
    std::optional<InputFile> file;
    try {
        file.emplace(QDir(package).filePath(PackageLayout::noteFile));
    } catch (const LumbexError&) {
        throw LumbexError(incomplete);
    }
    if (file->size() > kMaxNoteJsonBytes)
        throw LumbexError(QStringLiteral("The note metadata is too large to open safely."));
    if (file->size() == 0)
        throw LumbexError(incomplete);
    const QByteArray json = file->readAll(kMaxNoteJsonBytes);
    CaptureNote note = decodeNoteJson(json);
    if (note.schemaVersion < kOldestSchemaVersion || note.schemaVersion > kNewestSchemaVersion)
        throw LumbexError(QStringLiteral(
            "This note uses a newer format. Open it with a newer version of Lumbex."));
    return note;
}

void NotesLibrary::sortEntries(std::vector<LibraryEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        if (a.modifiedAt != b.modifiedAt)
            return a.modifiedAt > b.modifiedAt;
        return a.url < b.url;
    });
}

LibraryContents NotesLibrary::load(const QString& root, const QStringList& additional,
                                   LibraryEntry::Preview preview) {
    const QStringList packages = candidates(root, additional);
    QList<std::optional<LibraryEntry>> read = QtConcurrent::blockingMapped(
        packages, [preview](const QString& package) { return lumbex::read(package, preview); });
    LibraryContents contents;
    contents.entries.reserve(size_t(read.size()));
    for (std::optional<LibraryEntry>& entry : read) {
        if (entry)
            contents.entries.push_back(std::move(*entry));
        else
            ++contents.unreadable;
    }
    sortEntries(contents.entries);
    return contents;
}

} // namespace lumbex
