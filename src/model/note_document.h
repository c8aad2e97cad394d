#pragma once

#include "model/note_package.h"

#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace lumbex {

// Names other parts of the application know these events by.
inline constexpr char kNoteChangedNotification[] = "design.omek.lumbex.note-changed";
inline constexpr char kNoteSavedNotification[] = "design.omek.lumbex.note-saved";
inline constexpr char kCaptureNoteType[] = "design.omek.lumbex.capture-note";

// A still frame taken from the note's screen recording, ready to be stored as an image.
struct RecordingStill {
    qint64 sourceTime = 0;
    QByteArray png;
    QSize size;
};

// Called once when a save cycle ends: no error, or the text of the failure.
using SaveCompletion = std::function<void(const std::optional<QString>& error)>;

// The open note: the live CaptureNote with the bytes it needs, every edit as one undo step, and
// automatic crash-safe saving shortly after each change. Lives on and is used from one thread
// (the GUI thread); package writes run on a worker and report back to that thread.
class NoteDocument : public QObject {
    Q_OBJECT

public:
    static constexpr int kAutosaveDelayMs = 700;

    // An empty note with default content, saved as "<folder>/<note id>.capturenote" on its first
    // save (the folder is created then when missing).
    explicit NoteDocument(QString folder, QObject* parent = nullptr);
    // Waits for a running package write to finish; its result is dropped.
    ~NoteDocument() override;

    // A new note holding one imported image (normalised, no undo step). Throws LumbexError.
    static std::unique_ptr<NoteDocument> fromImageData(const QByteArray& data, const QString& name,
                                                       const QString& folder);
    // A new note holding a captured PNG exactly as given (not re-encoded). Throws LumbexError.
    static std::unique_ptr<NoteDocument> fromCapturePNG(const QByteArray& png, const QString& name,
                                                        const QString& folder);
    // Opens a saved package after cleaning up interrupted saves beside it. Throws LumbexError
    // with the reading check's message.
    static std::unique_ptr<NoteDocument> open(const QString& packagePath);

    const CaptureNote& note() const { return contents_.note; }
    const NotePackageContents& contents() const { return contents_; }
    // The package this document saves to; empty until the first save.
    const QString& filePath() const { return filePath_; }
    QUndoStack& undoStack() { return undoStack_; }
    bool isSaving() const { return saving_; }
    const std::optional<QString>& saveError() const { return saveError_; }

    // One undoable edit named `actionName`. A body that throws leaves everything as it was; a
    // body that leaves the note equal records nothing. Throws LumbexError, changing nothing, when
    // the note's revision is at its limit.
    void change(const QString& actionName, const std::function<void(CaptureNote&)>& body);
    // An edit that is deliberately not an undo step (a voice session writing dictated text and
    // recordings); undoing other steps later keeps what it wrote where it can.
    void update(const std::function<void(CaptureNote&)>& body);
    // Imports image bytes as a new image; with `undoable` as the step "Add Image". Throws
    // LumbexError (document unchanged) for bytes that are no usable image. Returns the new id.
    Id appendImage(const QByteArray& data, const QString& name, bool undoable);
    // Removes an image with its marks; throws LumbexError (document unchanged) when it must stay.
    void removeImage(const Id& mediaID);
    void setAudio(const Id& recordingID, const QByteArray& bytes);

    // One undoable edit of the note's screen recording named `actionName`. Throws LumbexError
    // (document unchanged): "This note has no screen recording." or the recording's check.
    void changeRecording(const QString& actionName,
                         const std::function<void(ScreenRecording&)>& body);
    // Adds stills taken from the recording as images named "Frame · MM:SS.mmm" that remember
    // their source time and what the recording looked like; with `undoable` as the step "Add
    // Recording Frames". `preparedFor` is the recording's edit key when the stills were taken:
    // "The recording changed while preparing frames. Try again." when it has changed since.
    // Returns the new image ids.
    std::vector<Id> appendRecordingFrames(const std::vector<RecordingStill>& stills,
                                          const QString& preparedFor, bool undoable);
    // Adds a time note on `range` with `text` and a still from inside the range, as the step
    // "Add Time Note". Throws "The recording changed while preparing the note. Try again.",
    // "The nearest frame is outside this range. Widen the note range and try again." or the
    // note's checks. Returns the note's id.
    Id addTimeNote(const RecordingRange& range, const QString& text, const RecordingStill& still,
                   const QString& preparedFor);

    // The one entry for every save: writes the package unless there is nothing to write, and
    // calls `completion` when the save cycle ends. Later changes made during a save are saved
    // by the same cycle before the completion runs.
    void saveCheckpoint(SaveCompletion completion = {});
    // The Save command: like saveCheckpoint, but writes even an unchanged note.
    void save(SaveCompletion completion = {});
    // Final: cancels the pending automatic save; later saves fail with "This note has been
    // closed."
    void close();

signals:
    // After every change and every change of the save state.
    void stateChanged();
    // After every change of the note (kNoteChangedNotification).
    void noteChanged();
    // After every successful save (kNoteSavedNotification).
    void noteSaved();

private:
    class Step;

    void touched();
    // Images for stills, with their originals staged but not yet part of the document.
    std::vector<Media> stageRecordingFrames(const std::vector<RecordingStill>& stills,
                                            std::map<Id, QByteArray>& originals) const;
    void keepOriginals(std::map<Id, QByteArray> originals);
    // Throws when the stills were taken from a recording that has been edited since.
    void requireRecordingAsPrepared(const QString& preparedFor, const QString& changed) const;
    // Throws when the revision cannot count one more change.
    void requireNextRevision() const;
    // Installs a note rebuilt by an undo or redo step; the revision keeps growing.
    void install(CaptureNote restored);
    QString destination() const;
    void startSave();
    void finishSave(const QString& destination, qint64 revision, const std::set<Id>& savedOriginals,
                    const std::optional<QString>& error);
    void completeAll(const std::optional<QString>& error);

    // Where the first save puts the package.
    QString folder_;
    NotePackageContents contents_;
    // SHA-256 of each original's bytes, known since the bytes were made or read.
    std::map<Id, QString> digests_;
    // Images whose original the package at filePath_ holds as saved.
    std::set<Id> originalsOnDisk_;
    QString filePath_;
    // The revision the package at filePath_ holds.
    std::optional<qint64> savedRevision_;

    QUndoStack undoStack_;
    QTimer saveTimer_;
    bool saveAgain_ = false;
    bool explicitSaveRequested_ = false;
    bool saving_ = false;
    bool closing_ = false;
    std::vector<SaveCompletion> completions_;
    std::optional<QString> saveError_;
    // One worker thread: one package write at a time.
    QThreadPool writer_;
};

} // namespace lumbex
