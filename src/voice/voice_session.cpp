#include "voice/voice_session.h"

#include "core/dates.h"
#include "model/note_document.h"
#include "voice/voice_events.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session_audio.h"
#include "voice/voice_typing_step.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <thread>

namespace lumbex {
namespace {

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void runDetached(std::function<void()> work) {
    std::thread(std::move(work)).detach();
}

std::vector<std::shared_ptr<VoiceSession>>& liveVoiceSessions() {
    static std::vector<std::shared_ptr<VoiceSession>> sessions;
    return sessions;
}

VoiceSession::VoiceSession(NoteDocument& document, const std::optional<Id>& noteID,
                           const TextRange& selection, const QString& locale,
                           VoiceServices services)
    : id_(newId()), document_(&document), noteID_(noteID), locale_(locale),
      services_(std::move(services)), message_(QStringLiteral("Preparing voice…")),
      text_(VoiceDraft(document.note().body(noteID).value_or(QString()), selection)),
      audio_(std::make_shared<Audio>()) {
    originalSchemaVersion_ = document.note().schemaVersion;
    for (const auto& other : pending(&document))
        originalSchemaVersion_ = std::min(originalSchemaVersion_, other->originalSchemaVersion_);
    if (!services_.clock)
        services_.clock = steadySeconds;
}

VoiceSession::~VoiceSession() = default;

std::shared_ptr<VoiceSession> VoiceSession::make(NoteDocument& document,
                                                 const std::optional<Id>& noteID,
                                                 const TextRange& selection, const QString& locale,
                                                 VoiceServices services) {
    return std::shared_ptr<VoiceSession>(
        new VoiceSession(document, noteID, selection, locale, std::move(services)));
}

const std::vector<std::shared_ptr<VoiceSession>>& VoiceSession::sessions() {
    return liveVoiceSessions();
}

std::shared_ptr<VoiceSession> VoiceSession::current() {
    for (const auto& session : liveVoiceSessions()) {
        if (session->canStop())
            return session;
    }
    return nullptr;
}

std::vector<std::shared_ptr<VoiceSession>> VoiceSession::pending(const NoteDocument* document) {
    std::vector<std::shared_ptr<VoiceSession>> found;
    std::copy_if(liveVoiceSessions().begin(), liveVoiceSessions().end(), std::back_inserter(found),
                 [&](const auto& session) { return session->document_ == document; });
    return found;
}

void VoiceSession::finishAll(const NoteDocument* document, std::function<void()> done) {
    const auto targets = document ? pending(document) : liveVoiceSessions();
    if (targets.empty()) {
        if (done)
            done();
        return;
    }
    auto remaining = std::make_shared<std::size_t>(targets.size());
    for (const auto& session : targets) {
        session->onFinish = [previous = session->onFinish, remaining, done] {
            if (previous)
                previous();
            if (--*remaining == 0 && done)
                done();
        };
    }
    for (const auto& session : targets)
        session->stop();
}

void VoiceSession::finishAllAndWait(const NoteDocument* document) {
    QEventLoop loop;
    bool finished = false;
    finishAll(document, [&] {
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
}

std::optional<QString> VoiceSession::startRefusal(const NoteDocument& document,
                                                  const std::optional<Id>& noteID,
                                                  bool screenRecordingRunning, bool composing) {
    if (screenRecordingRunning)
        return QStringLiteral("Stop the screen recording before adding a voice note.");
    if (const auto live = current(); live && live->document_ != &document)
        return QStringLiteral("Finish the voice note in the other window first.");
    for (const auto& session : pending(&document)) {
        if (session->noteID_ == noteID && session->phase_ == Phase::Finishing)
            return QStringLiteral(
                "This transcript is finishing. You can dictate into another note.");
    }
    if (composing)
        return QStringLiteral("Finish composing this character, then start voice input.");
    return std::nullopt;
}

void VoiceSession::post(std::function<void(VoiceSession&)> work) const {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak = std::weak_ptr<const VoiceSession>(weak_from_this()), work = std::move(work)] {
            if (auto session = std::const_pointer_cast<VoiceSession>(weak.lock()))
                work(*session);
        },
        Qt::QueuedConnection);
}

void VoiceSession::notify() const {
    if (onChange)
        onChange();
}

void VoiceSession::refuse(const QString& message) {
    message_ = message;
    phase_ = Phase::Done;
    notify();
    if (onFinish)
        onFinish();
}

bool VoiceSession::preparing(int token) const {
    return phase_ == Phase::Preparing && token == preparation_;
}

void VoiceSession::start(const std::optional<QString>& file) {
    if (startCalled_)
        return;
    startCalled_ = true;
    sourceFile_ = file;
    for (const auto& other : liveVoiceSessions()) {
        if (other->canStop())
            return refuse(QStringLiteral("Stop the other voice note first."));
    }
    for (const auto& other : pending(document_)) {
        if (other->noteID_ == noteID_ && other->phase_ == Phase::Finishing)
            return refuse(
                QStringLiteral("This transcript is finishing. You can dictate into another note."));
    }
    if (!document_)
        return refuse(QStringLiteral("This note has been closed."));
    VoiceRecording entry;
    entry.id = id_;
    entry.noteID = noteID_;
    entry.createdAt = now();
    entry.locale = locale_;
    entry.issue = kInterruptedRecordingIssue;
    try {
        document_->change(QStringLiteral("Dictate Note"), [&](CaptureNote& note) {
            note.schemaVersion = std::max<qint64>(note.schemaVersion, 2);
            if (!note.recordings)
                note.recordings.emplace();
            note.recordings->push_back(entry);
        });
    } catch (const LumbexError& error) {
        return refuse(error.message());
    }
    liveVoiceSessions().push_back(shared_from_this());
    if (services_.currentMicrophone)
        microphone_ = services_.currentMicrophone();
    emit VoiceEvents::shared().microphoneChanged();
    const int token = ++preparation_;
    post([token, live = isLive()](VoiceSession& session) {
        if (live)
            session.askForMicrophone(token);
        else
            session.prepareSpeech(token);
    });
}

void VoiceSession::stop(const std::optional<QString>& reason) {
    if (phase_ != Phase::Preparing && phase_ != Phase::Recording)
        return;
    const bool cancelled = phase_ == Phase::Preparing;
    ++preparation_;
    phase_ = Phase::Finishing;
    message_ = QStringLiteral("Finishing transcript…");
    level_ = 0;
    audio_->feedCancelled = true;
    notify();
    emit VoiceEvents::shared().microphoneChanged();
    post([reason, cancelled](VoiceSession& session) { session.finalize(reason, cancelled); });
}

const VoiceRecording* VoiceSession::recording() const {
    if (!document_ || !document_->note().recordings)
        return nullptr;
    for (const VoiceRecording& r : *document_->note().recordings) {
        if (r.id == id_)
            return &r;
    }
    return nullptr;
}

void VoiceSession::receive(const VoiceTranscript& result) {
    if (phase_ == Phase::Done || !recording())
        return;
    const QString transcript = result.fullText.isNull() ? result.text : result.fullText;
    document_->update([&](CaptureNote& note) {
        for (VoiceRecording& r : *note.recordings) {
            if (r.id == id_)
                r.transcript = transcript;
        }
    });
    if (result.range && !audio_->signal.hasSignal(result.range)) {
        if (!result.text.trimmed().isEmpty())
            quietSegments_.insert(result.segment);
        if (!insertedSegments_.contains(result.segment)) {
            text_.dropDeferred(result.segment);
            return;
        }
        applyText(QString(), result.segment, result.isFinal);
        return;
    }
    quietSegments_.erase(result.segment);
    insertedSegments_.insert(result.segment);
    applyText(result.text, result.segment, result.isFinal);
}

void VoiceSession::applyText(const QString& words, int segment, bool isFinal) {
    const auto present = document_->note().body(noteID_);
    if (!present) {
        // The target text is gone: the transcript stays in the recording only.
        text_.freeze();
        return;
    }
    writeBody(text_.receive(words, *present, segment, isFinal));
}

void VoiceSession::writeBody(const std::optional<QString>& body) {
    if (!body || !document_)
        return;
    document_->update([&](CaptureNote& note) { note.setBody(*body, noteID_); });
    notify();
}

void VoiceSession::beginTextComposition() {
    text_.beginComposition();
}

void VoiceSession::userEdited(const QString& text, bool composing) {
    const std::size_t steps = text_.undoSteps().size();
    const auto step = text_.userEdited(text, composing, services_.clock());
    if (step && document_ && document_->note().body(noteID_)) {
        try {
            document_->update([&](CaptureNote& note) { note.setBody(text, noteID_); });
            // Quick continued typing extends the step it continues, which the stack already
            // holds.
            if (text_.undoSteps().size() > steps)
                document_->undoStack().push(new VoiceTypingStep(*document_, weak_from_this(),
                                                                noteID_, text_.undoSteps()[*step]));
        } catch (const LumbexError&) {
            // The note cannot count another change: the field keeps the text, dictation stops.
            text_.freeze();
        }
    }
    if (!composing)
        resumeText();
}

void VoiceSession::freezeText() {
    text_.freeze();
}

void VoiceSession::resumeText() {
    if (!document_)
        return;
    const auto present = document_->note().body(noteID_);
    if (!present)
        return text_.freeze();
    writeBody(text_.resume(*present));
}

void VoiceSession::stopFollowingText() {
    text_.stopFollowing();
}

void VoiceSession::breakTextUndoCoalescing() {
    text_.breakCoalescing();
}

void VoiceSession::restoreTyping(const VoiceDraft& draft) {
    text_.restore(draft);
    text_.breakCoalescing();
    try {
        writeBody(draft.visible);
    } catch (const LumbexError&) {
        text_.freeze();
    }
}

std::optional<qsizetype> VoiceSession::dictatedCaret() const {
    const VoiceDraft& draft = text_.draft();
    if (draft.frozen || !draft.followsVoice)
        return std::nullopt;
    return draft.caret;
}

bool VoiceSession::tracksTextEdits() const {
    if (phase_ != Phase::Done || text_.composing())
        return true;
    return text_.hasDeferredText();
}

} // namespace lumbex
