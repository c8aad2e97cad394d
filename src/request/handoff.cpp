#include "request/handoff.h"

#include "canvas/rendering.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_files.h"
#include "request/request_markdown.h"
#include "request/request_plan.h"

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <vector>

namespace lumbex {
namespace {

// REQUEST.md holds at most a note's texts (note.json is at most 8 MiB) and a few lines an image.
constexpr qint64 kMaxRequestBytes = qint64(16) << 20;

const QString kRequestFile = QStringLiteral("REQUEST.md");

// The digest of an image written into the staging folder, or why it could not be written.
struct WrittenImage {
    QString digest;
    std::exception_ptr error;
};

// One image of the request, rendered, encoded, written, read back and decoded. Runs on the thread
// pool, so failures are carried back rather than thrown across it.
WrittenImage writeImage(const CaptureNote& note, const Media& media, const QByteArray& original,
                        const QString& path) {
    try {
        const QByteArray png = ImageFiles::encode(
            Rendering::render(note, media, original, false, std::nullopt), false);
        writeFileAtomically(path, png);
        ImageFiles::image(ImageFiles::readImageFile(path));
        return {ImageFiles::hash(png), nullptr};
    } catch (...) {
        return {QString(), std::current_exception()};
    }
}

void createFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw LumbexError(QStringLiteral("Could not create the folder “%1”.")
                              .arg(QDir::toNativeSeparators(path)));
}

} // namespace

void HandoffResult::verify() const {
    // Each file is read, hashed and (for images) decoded on the thread pool; the first failure in
    // name order is reported.
    std::vector<QFuture<std::exception_ptr>> checks;
    for (const auto& [name, digest] : hashes)
        checks.push_back(QtConcurrent::run(
            [path = directory + u'/' + name, name, digest]() -> std::exception_ptr {
                try {
                    const QByteArray bytes =
                        name.endsWith(QStringLiteral(".png"))
                            ? ImageFiles::readImageFile(path)
                            : readFile(path, kMaxRequestBytes);
                    if (ImageFiles::hash(bytes) != digest)
                        throw LumbexError(QStringLiteral(
                            "A prepared file changed. Copy again to prepare a fresh request."));
                    if (name.endsWith(QStringLiteral(".png")))
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

QString HandoffResult::clipboard() const {
    return clipboardText(request, images);
}

HandoffResult Handoff::prepare(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
                               const QString& projectFolder) {
    if (!QFileInfo(projectFolder).isDir())
        throw LumbexError(QStringLiteral("The project folder is unavailable. Choose it again."));
    const CaptureNote& note = plan.note();
    const QString noteFolder =
        QDir(projectFolder)
            .absoluteFilePath(QStringLiteral(".lumbex/handoffs/") + idString(note.id));
    createFolder(noteFolder);

    const QString preparation = idString(newId());
    const QString staging = noteFolder + QStringLiteral("/.preparing-") + preparation;
    if (!QDir().mkdir(staging))
        throw LumbexError(QStringLiteral("Could not create the folder “%1”.")
                              .arg(QDir::toNativeSeparators(staging)));

    try {
        for (const Media& media : plan.media())
            if (!originals.contains(media.id))
                throw LumbexError(QStringLiteral("An original image is unavailable."));
        std::vector<QFuture<WrittenImage>> images;
        for (const Media& media : plan.media())
            images.push_back(QtConcurrent::run(writeImage, note, media, originals.at(media.id),
                                               staging + u'/' + plan.filename(media)));
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
        writeFileAtomically(staging + u'/' + kRequestFile, markdown);
        result.hashes[kRequestFile] = ImageFiles::hash(markdown);

        result.directory = noteFolder + u'/' + preparation;
        renameNoReplace(staging, result.directory);
        result.request = result.directory + u'/' + kRequestFile;
        for (const Media& media : plan.media())
            result.images.append(result.directory + u'/' + plan.filename(media));
        result.revision = note.revision;
        result.verify();
        return result;
    } catch (...) {
        removePath(staging);
        throw;
    }
}

} // namespace lumbex
