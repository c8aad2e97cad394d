#include "model/note_document.h"

#include "core/error.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_edits.h"
#include "model/note_library.h"
#include "model/package_saver.h"
#include "model/recording_files.h"
#include "model/recording_keys.h"
#include "model/schema_level.h"
#include "records/recording_time.h"

#include <QDir>
#include <QFileInfo>
#include <QUndoCommand>
#include <algorithm>
#include <limits>

namespace lumbex {
namespace {

const std::vector<VoiceRecording>& recordingsOf(const CaptureNote& note) {
    static const std::vector<VoiceRecording> none;
    return note.recordings ? *note.recordings : none;
}

const VoiceRecording* findRecording(const CaptureNote& note, const Id& id) {
    const auto& list = recordingsOf(note);
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const auto& r) { return r.id == id; });
    return it == list.end() ? nullptr : &*it;
}

std::set<Id> recordingsAttachedTo(const CaptureNote& note, const std::optional<Id>& noteID) {
    std::set<Id> ids;
    for (const VoiceRecording& recording : recordingsOf(note))
        if (recording.noteID == noteID)
            ids.insert(recording.id);
    return ids;
}

// The note an undo or redo step installs: `snapshot`, except that voice recordings and dictated
// text written outside undo steps since `replacing` was current are carried over from `current`
// wherever the step itself did not touch them.
CaptureNote reconciled(const CaptureNote& snapshot, const CaptureNote& replacing,
                       const CaptureNote& current) {
    CaptureNote restored = snapshot;
    std::set<Id> untouched;
    for (const VoiceRecording& recording : recordingsOf(snapshot)) {
        const VoiceRecording* other = findRecording(replacing, recording.id);
        if (other && *other == recording)
            untouched.insert(recording.id);
    }
    if (restored.recordings) {
        std::vector<VoiceRecording> rebuilt;
        for (const VoiceRecording& recording : *snapshot.recordings) {
            if (!untouched.contains(recording.id))
                rebuilt.push_back(recording);
            else if (const VoiceRecording* latest = findRecording(current, recording.id))
                rebuilt.push_back(*latest);
        }
        restored.recordings = std::move(rebuilt);
    }
    std::vector<std::optional<Id>> targets;
    for (const VoiceRecording& recording : recordingsOf(snapshot))
        if (std::find(targets.begin(), targets.end(), recording.noteID) == targets.end())
            targets.push_back(recording.noteID);
    for (const std::optional<Id>& target : targets) {
        const auto text = current.body(target);
        if (text &&
            recordingsAttachedTo(snapshot, target) == recordingsAttachedTo(replacing, target) &&
            snapshot.body(target) == replacing.body(target))
            restored.setBody(*text, target);
    }
    return restored;
}

void dropStaleRecognition(CaptureNote& note) {
    for (Media& media : note.media)
        if (media.recognition && media.recognition->imageKey != imageKey(note, media))
            media.recognition.reset();
}

} // namespace

// One change: each run of undo() or redo() installs the reconciled opposite note and keeps what
// it replaced for the next run.
class NoteDocument::Step : public QUndoCommand {
public:
    Step(NoteDocument& document, CaptureNote before, CaptureNote after, const QString& name)
        : QUndoCommand(name), document_(document), snapshot_(std::move(before)),
          replacing_(std::move(after)) {}

    void undo() override { flip(); }
    void redo() override {
        // QUndoStack::push calls redo() once; the change is already made by then.
        if (std::exchange(pushing_, false))
            return;
        flip();
    }

private:
    void flip() {
        CaptureNote current = document_.note();
        CaptureNote restored = reconciled(snapshot_, replacing_, current);
        snapshot_ = std::move(current);
        replacing_ = restored;
        document_.install(std::move(restored));
    }

    NoteDocument& document_;
    CaptureNote snapshot_;
    CaptureNote replacing_;
    bool pushing_ = true;
};

NoteDocument::NoteDocument(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {
    contents_.note = CaptureNote::make();
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kAutosaveDelayMs);
    // A coarse timer may fire up to 5% early.
    saveTimer_.setTimerType(Qt::PreciseTimer);
    connect(&saveTimer_, &QTimer::timeout, this, [this] { saveCheckpoint(); });
    writer_.setMaxThreadCount(1);
}

NoteDocument::~NoteDocument() {
    saveTimer_.stop();
    writer_.waitForDone();
}

std::unique_ptr<NoteDocument>
NoteDocument::fromImageData(const QByteArray& data, const QString& name, const QString& folder) {
    auto document = std::make_unique<NoteDocument>(folder);
    document->appendImage(data, name, false);
    return document;
}

std::unique_ptr<NoteDocument>
NoteDocument::fromCapturePNG(const QByteArray& png, const QString& name, const QString& folder) {
    const QSize size = ImageFiles::image(png).size();
    auto document = std::make_unique<NoteDocument>(folder);
    const Id id = appendStoredPng(document->contents_, png, size, name);
    document->digests_.emplace(id, document->contents_.note.media.back().sha256);
    return document;
}

std::unique_ptr<NoteDocument> NoteDocument::open(const QString& packagePath) {
    const QString path = QFileInfo(packagePath).absoluteFilePath();
    sweepStaleSaves(path);
    NotePackageContents contents = readNotePackage(path);

    auto document = std::make_unique<NoteDocument>(QFileInfo(path).absolutePath());
    for (const Media& media : contents.note.media) {
        document->digests_.emplace(media.id, media.sha256);
        document->originalsOnDisk_.insert(media.id);
    }
    document->savedRevision_ = contents.note.revision;
    document->contents_ = std::move(contents);
    document->filePath_ = path;
    return document;
}

void NoteDocument::change(const QString& actionName,
                          const std::function<void(CaptureNote&)>& body) {
    requireNextRevision();
    CaptureNote after = contents_.note;
    body(after);
    if (after == contents_.note)
        return;
    CaptureNote before = std::exchange(contents_.note, after);
    undoStack_.push(new Step(*this, std::move(before), std::move(after), actionName));
    touched();
}

void NoteDocument::update(const std::function<void(CaptureNote&)>& body) {
    requireNextRevision();
    CaptureNote after = contents_.note;
    body(after);
    if (after == contents_.note)
        return;
    contents_.note = std::move(after);
    touched();
}

Id NoteDocument::appendImage(const QByteArray& data, const QString& name, bool undoable) {
    const Id id = lumbex::appendImage(contents_, data, name);
    digests_.emplace(id, contents_.note.media.back().sha256);
    if (!undoable)
        return id;
    // The bytes stay in originals; the image itself joins the note as an undo step.
    const Media media = contents_.note.media.back();
    contents_.note.media.pop_back();
    change(QStringLiteral("Add Image"), [&](CaptureNote& note) { note.media.push_back(media); });
    return id;
}

void NoteDocument::removeImage(const Id& mediaID) {
    change(removeImageActionName(contents_.note, mediaID),
           [&](CaptureNote& note) { lumbex::removeImage(note, mediaID); });
}

void NoteDocument::setAudio(const Id& recordingID, const QByteArray& bytes) {
    contents_.audio[recordingID] = bytes;
}

void NoteDocument::changeRecording(const QString& actionName,
                                   const std::function<void(ScreenRecording&)>& body) {
    change(actionName, [&](CaptureNote& note) { edits::changeRecording(note, body); });
}

void NoteDocument::requireRecordingAsPrepared(const QString& preparedFor,
                                              const QString& changed) const {
    if (!contents_.note.screenRecording)
        throw LumbexError(QStringLiteral("This note has no screen recording."));
    if (editKey(*contents_.note.screenRecording) != preparedFor)
        throw LumbexError(changed);
}

std::vector<Media> NoteDocument::stageRecordingFrames(const std::vector<RecordingStill>& stills,
                                                      std::map<Id, QByteArray>& originals) const {
    // A scratch copy of the images, so that roles follow the images already there.
    NotePackageContents scratch;
    scratch.note.media = contents_.note.media;
    const QString key = visualKey(*contents_.note.screenRecording);
    std::vector<Media> staged;
    for (const RecordingStill& still : stills) {
        const Id id =
            appendStoredPng(scratch, still.png, still.size, recordingFrameName(still.sourceTime));
        scratch.note.media.back().recordingFrame = RecordingFrame{still.sourceTime, key};
        staged.push_back(scratch.note.media.back());
        originals.emplace(id, still.png);
    }
    return staged;
}

void NoteDocument::keepOriginals(std::map<Id, QByteArray> originals) {
    for (auto& [id, png] : originals) {
        digests_.emplace(id, contents_.note.image(id)->sha256);
        contents_.originals.emplace(id, std::move(png));
    }
}

std::vector<Id> NoteDocument::appendRecordingFrames(const std::vector<RecordingStill>& stills,
                                                    const QString& preparedFor, bool undoable) {
    requireRecordingAsPrepared(
        preparedFor, QStringLiteral("The recording changed while preparing frames. Try again."));
    std::map<Id, QByteArray> originals;
    const std::vector<Media> frames = stageRecordingFrames(stills, originals);
    const auto append = [&](CaptureNote& note) {
        note.media.insert(note.media.end(), frames.begin(), frames.end());
    };
    if (undoable)
        change(QStringLiteral("Add Recording Frames"), append);
    else
        update(append);
    keepOriginals(std::move(originals));
    std::vector<Id> ids;
    for (const Media& frame : frames)
        ids.push_back(frame.id);
    return ids;
}

Id NoteDocument::addTimeNote(const RecordingRange& range, const QString& text,
                             const RecordingStill& still, const QString& preparedFor) {
    requireRecordingAsPrepared(
        preparedFor, QStringLiteral("The recording changed while preparing the note. Try again."));
    if (!range.contains(still.sourceTime))
        throw LumbexError(QStringLiteral(
            "The nearest frame is outside this range. Widen the note range and try again."));
    std::map<Id, QByteArray> originals;
    std::vector<Media> frames = stageRecordingFrames({still}, originals);
    // A time note goes into a request only with a current frame from its range.
    frames.front().includeInRequest = true;
    Id noteID;
    change(QStringLiteral("Add Time Note"), [&](CaptureNote& note) {
        noteID = edits::addTimeNote(note, range, text);
        note.media.push_back(frames.front());
    });
    keepOriginals(std::move(originals));
    return noteID;
}

void NoteDocument::requireNextRevision() const {
    if (contents_.note.revision == std::numeric_limits<qint64>::max())
        throw LumbexError(QStringLiteral(
            "This note cannot record another change: its revision number is at its limit."));
}

void NoteDocument::install(CaptureNote restored) {
    restored.revision = contents_.note.revision;
    contents_.note = std::move(restored);
    touched();
}

void NoteDocument::touched() {
    CaptureNote& note = contents_.note;
    dropStaleRecognition(note);
    note.schemaVersion = std::max(note.schemaVersion, minimumSchemaVersion(note));
    // change() and update() refuse at the limit; an undo step there keeps the number.
    note.revision += note.revision < std::numeric_limits<qint64>::max() ? 1 : 0;
    note.modifiedAt = now();
    saveError_.reset();
    emit stateChanged();
    emit noteChanged();
    saveTimer_.start();
}

void NoteDocument::save(SaveCompletion completion) {
    explicitSaveRequested_ = true;
    saveCheckpoint(std::move(completion));
}

void NoteDocument::close() {
    closing_ = true;
    saveTimer_.stop();
}

void NoteDocument::saveCheckpoint(SaveCompletion completion) {
    if (closing_) {
        const QString closed = QStringLiteral("This note has been closed.");
        if (completion)
            completion(closed);
        completeAll(closed);
        return;
    }
    saveTimer_.stop();
    if (completion)
        completions_.push_back(std::move(completion));
    if (saving_) {
        saveAgain_ = true;
        return;
    }
    // An autosave of a note whose package already holds this revision writes nothing.
    const bool upToDate = !filePath_.isEmpty() && savedRevision_ == contents_.note.revision &&
                          !explicitSaveRequested_;
    if (contents_.note.media.empty() || upToDate) {
        completeAll(std::nullopt);
        return;
    }
    if (filePath_.isEmpty() && !QDir().mkpath(folder_)) {
        saveError_ =
            QStringLiteral("Could not create the folder “%1”.").arg(QFileInfo(folder_).fileName());
        emit stateChanged();
        completeAll(saveError_);
        return;
    }
    startSave();
}

QString NoteDocument::destination() const {
    if (!filePath_.isEmpty())
        return filePath_;
    return newPackagePath(folder_, contents_.note.id);
}

void NoteDocument::startSave() {
    explicitSaveRequested_ = false;
    saveAgain_ = false;
    saving_ = true;
    emit stateChanged();

    NotePackageContents snapshot{contents_.note, {}, contents_.audio, contents_.videoFiles};
    KnownOriginals known;
    const QString target = destination();
    for (const Media& media : snapshot.note.media) {
        if (const auto it = contents_.originals.find(media.id); it != contents_.originals.end())
            snapshot.originals.insert(*it);
        if (const auto it = digests_.find(media.id); it != digests_.end())
            known.digests.insert(*it);
        if (target == filePath_ && originalsOnDisk_.contains(media.id))
            known.inPackage.insert(media.id);
    }
    const qint64 revision = snapshot.note.revision;
    std::set<Id> saved;
    for (const Media& media : snapshot.note.media)
        saved.insert(media.id);
    writer_.start([this, snapshot = std::move(snapshot), known = std::move(known), target, revision,
                   saved = std::move(saved)] {
        std::optional<QString> error;
        try {
            savePackage(snapshot, target, known);
        } catch (const LumbexError& failure) {
            error = failure.message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("Not enough memory to save the note. Your previous save has "
                                   "been kept.");
        }
        // Queued to this document's thread; the destructor waits for this task, and events
        // still queued when the document goes away are discarded with it.
        QMetaObject::invokeMethod(
            this,
            [this, target, revision, saved, error] { finishSave(target, revision, saved, error); },
            Qt::QueuedConnection);
    });
}

void NoteDocument::finishSave(const QString& destination, qint64 revision,
                              const std::set<Id>& savedOriginals,
                              const std::optional<QString>& error) {
    saving_ = false;
    if (error) {
        saveError_ = error;
        emit stateChanged();
        completeAll(error);
        return;
    }
    saveError_.reset();
    filePath_ = destination;
    savedRevision_ = revision;
    originalsOnDisk_ = savedOriginals;
    emit noteSaved();
    emit stateChanged();
    if (saveAgain_ || contents_.note.revision != revision) {
        saveCheckpoint();
        return;
    }
    completeAll(std::nullopt);
}

void NoteDocument::completeAll(const std::optional<QString>& error) {
    for (const SaveCompletion& completion : std::exchange(completions_, {}))
        completion(error);
}

} // namespace lumbex
