#include "cloud/cloud_store.h"

#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"

#include <QFileInfo>
#include <QUuid>
#include <map>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

QString rootOf(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || entryKind(canonical) != EntryKind::Folder)
        fail(CloudMessages::folderUnavailable);
    return canonical;
}

// Verifies a file already in the sync folder against what it must hold.
void verifyPlaced(const QString& root, const CloudFile& file) {
    const QString path = CloudFiles::resolve(root, file.path);
    CloudStore::requireLocal(CloudStore::itemOf(root, file.path));
    CloudVerification::shared().verify(file, path);
}

// Copies a prepared file into the sync folder under a temporary name, checks the copy and only
// then gives it its name, so that no reader ever sees a partial file at a final path.
void place(const QString& root, const QString& preparedFile, const CloudFile& expected) {
    const QString target = CloudFiles::resolve(root, expected.path);
    const QString folder = QFileInfo(target).path();
    makeFolders(folder);
    const QString temporary =
        folder + QStringLiteral("/.Lumbex-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    try {
        CloudFiles::copy(preparedFile, temporary);
        CloudFile copied = CloudFiles::record(expected.path, temporary);
        if (copied != expected)
            fail(CloudMessages::copyUnverified);
        renameNoReplace(temporary, target);
    } catch (const LumbexError&) {
        removePath(temporary);
        throw;
    }
}

} // namespace

QString CloudUploadState::label() const {
    switch (kind) {
    case Kind::Uploading:
        return QStringLiteral("Uploading · %1/%2 files").arg(done).arg(total);
    case Kind::Failed:
        return QStringLiteral("Couldn’t Sync: ") + message;
    case Kind::Waiting:
        return QStringLiteral("Waiting for the sync client");
    case Kind::Uploaded:
        return QStringLiteral("In the sync folder");
    case Kind::Saved:
        return QStringLiteral("Saved in the sync folder");
    case Kind::DownloadRequired:
        return QStringLiteral("Download required");
    case Kind::Changed:
        return QStringLiteral("Cloud copy changed · Local note kept");
    }
    return {};
}

bool CloudUploadState::requiresAttention() const {
    return kind == Kind::Failed || kind == Kind::DownloadRequired || kind == Kind::Changed;
}

namespace CloudStore {

SyncFolder checkFolder(const QString& folder) {
    if (entryKind(QFileInfo(folder).canonicalFilePath()) != EntryKind::Folder)
        fail(CloudMessages::notSyncFolder);
    const auto found = recognizeSyncFolder(folder);
    if (!found)
        fail(CloudMessages::notSyncFolder);
    return *found;
}

void requireLocal(const QString& item) {
    switch (syncItemState(item)) {
    case SyncItemState::Conflicted:
        fail(CloudMessages::conflicts);
    case SyncItemState::NotDownloaded:
        fail(CloudMessages::downloadFirst);
    case SyncItemState::Current:
        return;
    }
}

QString itemOf(const QString& root, const QString& path) {
    if (path.startsWith(QStringLiteral("Notes/"))) {
        const QString package = path.section(u'/', 0, 1);
        if (package.endsWith(QStringLiteral(".capturenote")))
            return root + u'/' + package;
    }
    return root + u'/' + path;
}

CloudReceipt publish(const PreparedCloudRevision& prepared, const QString& folder,
                     const std::optional<CloudReceipt>& previous,
                     const std::function<void(const QString&)>& placed) {
    const QString root = rootOf(folder);
    const CloudRevision& revision = prepared.revision;
    revision.validate();

    std::optional<CloudFile> previousMetadata;
    if (previous) {
        previous->revision.validate();
        verifyPlaced(root, previous->manifest);
        for (const CloudFile& file : previous->revision.files)
            verifyPlaced(root, file);
        previousMetadata = *previous->revision.file(previous->revision.metadata);
    }

    const CloudFile& newMetadata = *revision.file(revision.metadata);
    const QString pointer = CloudFiles::resolve(root, revision.currentNotePath());
    bool pointerCurrent = false;
    if (entryKind(pointer) != EntryKind::Missing) {
        requireLocal(itemOf(root, revision.currentNotePath()));
        const CloudFile found = CloudFiles::record(revision.currentNotePath(), pointer);
        pointerCurrent = found.sha256 == newMetadata.sha256;
        if (!pointerCurrent && !(previousMetadata && found.sha256 == previousMetadata->sha256))
            fail(CloudMessages::changedElsewhere);
    } else if (previous) {
        fail(CloudMessages::pointerRemoved);
    }

    std::vector<CloudFile> files = revision.files;
    files.push_back(prepared.manifest);
    for (const CloudFile& file : files) {
        const QString target = CloudFiles::resolve(root, file.path);
        if (entryKind(target) != EntryKind::Missing)
            verifyPlaced(root, file);
        else
            place(root, CloudFiles::resolve(prepared.directory, file.path), file);
        if (placed)
            placed(file.path);
    }

    if (!pointerCurrent) {
        const QByteArray metadata =
            readFile(CloudFiles::resolve(prepared.directory, revision.metadata), newMetadata.bytes);
        if (CloudFile{newMetadata.path, sha256Hex(metadata), qint64(metadata.size())} !=
            newMetadata)
            fail(CloudMessages::copyUnverified);
        writeFileAtomically(pointer, metadata);
        if (placed)
            placed(revision.currentNotePath());
    }
    return {revision, prepared.manifest};
}

CloudUploadState status(const QString& folder, const CloudReceipt& receipt,
                        const UploadProgress& progress) {
    using Kind = CloudUploadState::Kind;
    const QString root = rootOf(folder);
    const std::vector<CloudFile> required = receipt.requiredFiles();
    std::map<QString, std::vector<const CloudFile*>> items;
    for (const CloudFile& file : required)
        items[itemOf(root, file.path)].push_back(&file);

    bool downloadRequired = false;
    QStringList paths;
    for (const auto& [item, files] : items) {
        const SyncItemState state = syncItemState(item);
        if (state == SyncItemState::Conflicted)
            return {Kind::Changed};
        if (state == SyncItemState::NotDownloaded) {
            downloadRequired = true;
            continue;
        }
        for (const CloudFile* file : files) {
            try {
                const QString path = CloudFiles::resolve(root, file->path);
                CloudVerification::shared().verify(*file, path);
                paths << path;
            } catch (const LumbexError&) {
                return {Kind::Changed};
            }
        }
    }
    if (downloadRequired)
        return {Kind::DownloadRequired};
    const int total = int(required.size());
    if (const auto report = progress ? progress(root, paths) : std::nullopt) {
        const auto [done, of] = *report;
        if (done >= of)
            return {Kind::Uploaded, total, total};
        return done == 0 ? CloudUploadState{Kind::Waiting}
                         : CloudUploadState{Kind::Uploading, done, of};
    }
    return {Kind::Saved, total, total};
}

} // namespace CloudStore
} // namespace lumbex
