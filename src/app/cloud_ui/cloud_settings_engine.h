#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace lumbex {

// What the "Sync & Mobile Review" window of one note asks of the sync engine. The application
// implements it over the engine for the note's document; tests over a fake. Main thread.
class CloudSettingsEngine : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The note's sync label ("Sync: Off", "Uploading · 3/12 files", "Couldn’t Sync: …").
    virtual QString label() const = 0;
    virtual bool isEnabled() const = 0;
    // A sync job runs for the note.
    virtual bool isBusy() const = 0;
    virtual bool includesVoiceAudio() const = 0;
    // The bound folder, and the folder chosen last for any note.
    virtual std::optional<QString> folder() const = 0;
    virtual std::optional<QString> previousFolder() const = 0;
    // The reader PDF of the last published revision, resolved safely, when there is one.
    virtual std::optional<QString> publishedReview() const = 0;

    // Saves the note, then binds it to `folder`. Throws LumbexError.
    virtual void connect(const QString& folder, bool includeVoiceAudio) = 0;
    virtual void retry() = 0;
    // Throws LumbexError.
    virtual void disable() = 0;
    // Imports a cloud note package as a new local note and returns its path; slow, so it is
    // called on a worker thread. Throws LumbexError.
    virtual QString importPackage(const QString& package) const = 0;
    // Opens an imported note in an editor.
    virtual void openNote(const QString& package) = 0;

signals:
    // A binding, a message or a state changed (LumbexCloudChanged).
    void changed();
};

} // namespace lumbex
