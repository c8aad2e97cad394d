#include "model/note_library.h"

#include "core/error.h"
#include "model/note_document.h"
#include "model/note_settings_keys.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>

namespace lumbex {

QString newPackagePath(const QString& folder, const Id& noteID) {
    return QDir(folder).filePath(idString(noteID) + QStringLiteral(".capturenote"));
}

NoteLibrary::NoteLibrary(QString folder, QSettings& settings, PackageWriter writePackage,
                         QObject* parent)
    : QObject(parent), folder_(std::move(folder)), settings_(settings),
      writePackage_(std::move(writePackage)),
      recents_(
          settings,
          QDir(QFileInfo(folder_).absolutePath()).filePath(QStringLiteral("Recently Deleted"))) {}

NoteLibrary::~NoteLibrary() {
    creations_.waitForDone();
}

QString NoteLibrary::packagePath(const Id& noteID) const {
    return newPackagePath(folder_, noteID);
}

std::unique_ptr<NoteDocument> NoteLibrary::documentFromImageData(const QByteArray& data,
                                                                 const QString& name) {
    std::unique_ptr<NoteDocument> document = NoteDocument::fromImageData(data, name, folder_);
    adoptDefaultDestination(document->note().id);
    return document;
}

std::unique_ptr<NoteDocument> NoteLibrary::documentFromCapturePNG(const QByteArray& png,
                                                                  const QString& name) {
    std::unique_ptr<NoteDocument> document = NoteDocument::fromCapturePNG(png, name, folder_);
    adoptDefaultDestination(document->note().id);
    return document;
}

QString NoteLibrary::create(const NotePackageContents& contents, const QString& packagePath) {
    adoptDefaultDestination(contents.note.id);
    try {
        return write(contents, packagePath);
    } catch (...) {
        forget(contents.note.id);
        throw;
    }
}

void NoteLibrary::createInBackground(NotePackageContents contents, QObject* context, Created done) {
    adoptDefaultDestination(contents.note.id);
    const Id noteID = contents.note.id;
    creations_.start([this, contents = std::move(contents), noteID,
                      context = QPointer<QObject>(context), done = std::move(done)]() mutable {
        QString path;
        std::optional<QString> error;
        try {
            path = write(contents, {});
        } catch (const LumbexError& failure) {
            error = failure.message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("Not enough memory to save the note.");
        }
        // Queued to the library's thread: the destructor waits for this task, and a call still
        // queued when the library goes away is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, noteID, context = std::move(context), done = std::move(done), path, error] {
                if (error)
                    forget(noteID);
                if (context)
                    done(path, error);
            },
            Qt::QueuedConnection);
    });
}

QString NoteLibrary::write(const NotePackageContents& contents, const QString& target) const {
    QString path = target;
    if (path.isEmpty()) {
        if (!QDir().mkpath(folder_))
            throw LumbexError(QStringLiteral("Could not create the folder “%1”.")
                                  .arg(QFileInfo(folder_).fileName()));
        path = packagePath(contents.note.id);
    }
    writePackage_(contents, path);
    return QFileInfo(path).absoluteFilePath();
}

void NoteLibrary::addRecent(const QString& packagePath) {
    const QMutexLocker locked(&settingsLock_);
    recents_.add(packagePath);
}

std::vector<RecentNotes::Entry> NoteLibrary::recentNotes() const {
    const QMutexLocker locked(&settingsLock_);
    return recents_.entries();
}

void NoteLibrary::forget(const Id& noteID) {
    const QMutexLocker locked(&settingsLock_);
    for (const QString& key : NoteSettingsKeys::perNote(noteID))
        settings_.remove(key);
}

void NoteLibrary::adoptDefaultDestination(const Id& noteID) {
    const QMutexLocker locked(&settingsLock_);
    const QVariant folder = settings_.value(NoteSettingsKeys::defaultDestination);
    if (folder.isValid())
        settings_.setValue(NoteSettingsKeys::destination(noteID), folder);
}

} // namespace lumbex
