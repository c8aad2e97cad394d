#pragma once

#include "core/ids.h"
#include "model/note_package.h"
#include "model/recent_notes.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

namespace lumbex {

class NoteDocument;

// Where a new note is saved in a folder: "<folder>/<note id>.capturenote".
QString newPackagePath(const QString& folder, const Id& noteID);

// The notes library: the folder new notes are saved into, the one way a new note comes to be
// (it starts with the project folder chosen for new notes), the notes opened recently, and what
// the settings remember about each note on this computer (NoteSettingsKeys). The application
// makes one with its library folder and its settings and hands it to whatever creates notes;
// the command line makes its own.
class NoteLibrary : public QObject {
    Q_OBJECT
public:
    // Writes a new package at a path where nothing exists; throws LumbexError.
    using PackageWriter =
        std::function<void(const NotePackageContents& contents, const QString& packagePath)>;
    // Called once a background creation ends: the package's path, or the failure's message.
    using Created =
        std::function<void(const QString& packagePath, const std::optional<QString>& error)>;

    // The Recently Deleted folder is the library folder's sibling "Recently Deleted". Settings
    // are read and written by the library only under its own lock, so that creations may run on
    // several threads; `writePackage` is createNotePackage except in tests.
    NoteLibrary(QString folder, QSettings& settings, PackageWriter writePackage = createNotePackage,
                QObject* parent = nullptr);
    // Waits for background creations; their `Created` calls are dropped.
    ~NoteLibrary() override;

    const QString& folder() const { return folder_; }
    // Where a new note is saved: "<folder>/<note id>.capturenote".
    QString packagePath(const Id& noteID) const;

    // New documents that save into the library on their first save (see NoteDocument); each starts
    // with the project folder for new notes. Throw LumbexError.
    std::unique_ptr<NoteDocument> documentFromImageData(const QByteArray& data,
                                                        const QString& name);
    std::unique_ptr<NoteDocument> documentFromCapturePNG(const QByteArray& png,
                                                         const QString& name);

    // Writes the package of a new note at `packagePath` (by default its place in the library,
    // whose folder is created when missing), never replacing anything there, after the note has
    // taken the project folder for new notes; a failed write forgets the note's settings again.
    // Blocks on the disk: call it off the GUI thread. Throws LumbexError; returns the absolute
    // path of the package.
    QString create(const NotePackageContents& contents, const QString& packagePath = {});
    // create() into the library with the write on a worker thread: returns at once, and `done`
    // runs later on the library's thread, unless `context` is gone by then.
    void createInBackground(NotePackageContents contents, QObject* context, Created done);

    void addRecent(const QString& packagePath);
    std::vector<RecentNotes::Entry> recentNotes() const;

    // Drops what the settings remember about a note: its project folder, last request and
    // editor view. For a note that is deleted or was never written.
    void forget(const Id& noteID);

private:
    void adoptDefaultDestination(const Id& noteID);
    // The package written at `target`, a path in the library when empty; throws LumbexError.
    QString write(const NotePackageContents& contents, const QString& target) const;

    QString folder_;
    QSettings& settings_;
    PackageWriter writePackage_;
    mutable QMutex settingsLock_;
    RecentNotes recents_;
    QThreadPool creations_;
};

} // namespace lumbex
