#include "library/notes_library.h"

#include "core/error.h"
#include "core/files.h"
#include "library/recently_deleted_path.h"
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

QStringList candidates(const QString& root, const QStringList& additional) {
    QStringList all = packagesIn(root);
    for (const QString& url : additional) {
        const QString path = QDir::cleanPath(QFileInfo(url).absoluteFilePath());
        if (QFileInfo(path).suffix() == kExtension)
            all.append(path);
    }
    QStringList out;
    std::set<QString> seen;
    for (const QString& path : all) {
        // A symbolic link to a package is kept here (and found unreadable), so a package is
        // known by its own path, not by where a link leads.
        if (entryKind(path) == EntryKind::Missing || isInRecentlyDeleted(root, path))
            continue;
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (seen.insert(canonical.isEmpty() ? path : canonical).second)
            out.append(path);
    }
    return out;
}

std::optional<LibraryEntry> read(const QString& package) {
    try {
        return LibraryEntry::make(NotesLibrary::readNote(package), package);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

} // namespace

CaptureNote NotesLibrary::readNote(const QString& package) {
    refuseLinkedPackage(package);
    const QString incomplete = QStringLiteral("This is not a complete Lumbex note.");
    if (entryKind(package) != EntryKind::Folder)
        throw LumbexError(incomplete);
    const QString path = QDir(package).filePath(PackageLayout::noteFile);
    if (entryKind(path) != EntryKind::File)
        throw LumbexError(incomplete);
    // The size is checked before anything is read.
    const InputFile file(path);
    if (file.size() > kMaxNoteJsonBytes)
        throw LumbexError(QStringLiteral("The note metadata is too large to open safely."));
    if (file.size() == 0)
        throw LumbexError(incomplete);
    const QByteArray json = file.readAll(kMaxNoteJsonBytes);
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

LibraryContents NotesLibrary::load(const QString& root, const QStringList& additional) {
    const QStringList packages = candidates(root, additional);
    const QList<std::optional<LibraryEntry>> read =
        QtConcurrent::blockingMapped(packages, &lumbex::read);
    LibraryContents contents;
    contents.entries.reserve(size_t(read.size()));
    for (const std::optional<LibraryEntry>& entry : read) {
        if (entry)
            contents.entries.push_back(*entry);
        else
            ++contents.unreadable;
    }
    sortEntries(contents.entries);
    return contents;
}

} // namespace lumbex
