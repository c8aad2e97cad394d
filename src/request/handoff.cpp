#include "request/handoff.h"

#include "canvas/rendering.h"
#include "core/error.h"
#include "core/file_lock.h"
#include "core/folder_handle.h"
#include "model/image_files.h"
#include "request/request_markdown.h"
#include "request/request_plan.h"

#include <QDir>
#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <optional>
#include <vector>

namespace lumbex {
namespace {

// REQUEST.md holds at most a note's texts (note.json is at most 8 MiB) and a few lines an image.
constexpr qint64 kMaxRequestBytes = qint64(16) << 20;

const QString kRequestFile = QStringLiteral("REQUEST.md");
const QString kStagingPrefix = QStringLiteral(".preparing-");

// The digest of an image written into the staging folder, or why it could not be written.
struct WrittenImage {
    QString digest;
    std::exception_ptr error;
};

// One image of the request, rendered, encoded, written, read back and decoded. Runs on the thread
// pool, so failures are carried back rather than thrown across it.
WrittenImage writeImage(const CaptureNote& note, const Media& media, const QByteArray& original,
                        const FolderHandle& staging, const QString& name) {
    try {
        const QByteArray png = ImageFiles::encode(
            Rendering::render(note, media, original, false, std::nullopt), false);
        staging.writeFileAtomically(name, png);
        ImageFiles::image(ImageFiles::readImageFile(staging, name));
        return {ImageFiles::hash(png), nullptr};
    } catch (...) {
        return {QString(), std::current_exception()};
    }
}

// Each file is read, hashed and (for images) decoded on the thread pool; the first failure in
// name order is reported.
void verifyFiles(const FolderHandle& folder, const std::map<QString, QString>& hashes) {
    std::vector<QFuture<std::exception_ptr>> checks;
    for (const auto& [name, digest] : hashes)
        checks.push_back(QtConcurrent::run([&folder, name, digest]() -> std::exception_ptr {
            try {
                const bool image = name.endsWith(QStringLiteral(".png"));
                const QByteArray bytes = image ? ImageFiles::readImageFile(folder, name)
                                               : folder.readFile(name, kMaxRequestBytes);
                if (ImageFiles::hash(bytes) != digest)
                    throw LumbexError(QStringLiteral(
                        "A prepared file changed. Copy again to prepare a fresh request."));
                if (image)
                    ImageFiles::image(bytes);
                return nullptr;
            } catch (...) {
                return std::current_exception();
            }
        }));
    std::vector<std::exception_ptr> failures;
    for (QFuture<std::exception_ptr>& check : checks)
        failures.push_back(check.result());
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

FolderHandle openProjectFolder(const QString& path) {
    const QString unavailable =
        QStringLiteral("The project folder is unavailable. Choose it again.");
    // An empty path would otherwise name the working folder.
    if (path.isEmpty())
        throw LumbexError(unavailable);
    try {
        return FolderHandle::open(QDir(path).absolutePath());
    } catch (const LumbexError& error) {
        if (error.systemError() == ENOENT || error.systemError() == ENOTDIR)
            throw LumbexError(unavailable);
        throw;
    }
}

// One level below the project folder, created when missing. A symbolic link there would take the
// request outside the project, and anything else that is not a folder cannot hold it; both are
// refused before anything is written. `shown` is the level's path inside the project.
FolderHandle openLevel(const FolderHandle& parent, const QString& name, const QString& shown) {
    try {
        return parent.openOrMakeChild(name);
    } catch (const LumbexError& error) {
        if (error.systemError() == ELOOP)
            throw LumbexError(QStringLiteral("The project folder’s “%1” is a symbolic link. Lumbex "
                                             "writes requests only inside the project folder; "
                                             "nothing was written.")
                                  .arg(shown));
        if (error.systemError() == ENOTDIR)
            throw LumbexError(QStringLiteral("The project folder’s “%1” is not a folder. Move it "
                                             "aside and copy again; nothing was written.")
                                  .arg(shown));
        throw;
    }
}

FolderHandle openNoteFolder(const FolderHandle& project, const QString& noteID) {
    const QString lumbexName = QStringLiteral(".lumbex");
    const QString handoffsName = lumbexName + QStringLiteral("/handoffs");
    const FolderHandle lumbex = openLevel(project, lumbexName, lumbexName);
    const FolderHandle handoffs = openLevel(lumbex, QStringLiteral("handoffs"), handoffsName);
    return openLevel(handoffs, noteID, handoffsName + u'/' + noteID);
}

// Staging folders left behind by preparations that were killed. A preparation locks its staging
// folder for its whole life and the lock dies with its process, so a staging folder whose lock is
// free has no writer any more; one still locked is at work and stays. Finished request folders
// never carry the prefix.
void sweepAbandonedStaging(const FolderHandle& noteFolder) {
    for (const QString& name : noteFolder.entries()) {
        if (!name.startsWith(kStagingPrefix))
            continue;
        try {
            const FolderHandle staging = noteFolder.openChild(name);
            // Held while the folder is removed, so that no writer can take it back meanwhile.
            if (const std::optional<FileLock> abandoned = FileLock::tryAcquire(staging))
                noteFolder.removeTree(name);
        } catch (const LumbexError& error) {
            // A link or a file under a staging name never was a preparation's folder: its name is
            // removed, never what a link points to.
            if (error.systemError() == ELOOP || error.systemError() == ENOTDIR)
                noteFolder.removeTree(name);
        }
    }
}

// A preparation's staging folder and the lock it holds on it until the preparation ends.
struct Staging {
    FolderHandle folder;
    FileLock lock;
};

Staging beginStaging(const FolderHandle& noteFolder, const QString& name) {
    // Sweeping and creating take turns under the note folder's lock, so that no sweep can find
    // this staging folder before its lock is taken.
    const FileLock turn = FileLock::acquire(noteFolder);
    sweepAbandonedStaging(noteFolder);
    FolderHandle folder = noteFolder.makeChild(name);
    FileLock lock = FileLock::acquire(folder);
    return {std::move(folder), std::move(lock)};
}

} // namespace

void HandoffResult::verify() const {
    verifyFiles(FolderHandle::open(directory), hashes);
}

QString HandoffResult::clipboard() const {
    return clipboardText(request, images);
}

HandoffResult Handoff::prepare(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
                               const QString& projectFolder) {
    const FolderHandle project = openProjectFolder(projectFolder);
    const CaptureNote& note = plan.note();
    const FolderHandle noteFolder = openNoteFolder(project, idString(note.id));
    const QString preparation = idString(newId());
    const QString stagingName = kStagingPrefix + preparation;
    const Staging staging = beginStaging(noteFolder, stagingName);

    try {
        for (const Media& media : plan.media())
            if (!originals.contains(media.id))
                throw LumbexError(QStringLiteral("An original image is unavailable."));
        std::vector<QFuture<WrittenImage>> images;
        for (const Media& media : plan.media())
            images.push_back(
                QtConcurrent::run([&note, &staging, media, &original = originals.at(media.id),
                                   name = plan.filename(media)] {
                    return writeImage(note, media, original, staging.folder, name);
                }));
        // Every task finishes before anything is rethrown: none may still write into staging
        // when it is removed.
        std::vector<WrittenImage> written;
        for (QFuture<WrittenImage>& image : images)
            written.push_back(image.result());
        HandoffResult result;
        for (size_t i = 0; i < written.size(); ++i) {
            if (written[i].error)
                std::rethrow_exception(written[i].error);
            result.hashes[plan.filename(plan.media()[i])] = written[i].digest;
        }

        const QByteArray markdown = plan.markdown().toUtf8();
        staging.folder.writeFileAtomically(kRequestFile, markdown);
        result.hashes[kRequestFile] = ImageFiles::hash(markdown);

        noteFolder.rename(stagingName, preparation);
        result.directory = noteFolder.path() + u'/' + preparation;
        result.request = result.directory + u'/' + kRequestFile;
        for (const Media& media : plan.media())
            result.images.append(result.directory + u'/' + plan.filename(media));
        result.revision = note.revision;
        // The staging folder's handle reaches the same folder under its final name.
        verifyFiles(staging.folder, result.hashes);
        return result;
    } catch (...) {
        noteFolder.removeTree(stagingName);
        throw;
    }
}

} // namespace lumbex
