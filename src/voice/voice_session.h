#pragma once

#include "core/ids.h"
#include "model/note_document.h"
#include "records/voice_recording.h"
#include "voice/voice_services.h"
#include "voice/voice_text_field.h"

#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace lumbex {

class VoiceRecoveryDraft;
class VoiceSignal;

// Throws LumbexError unless the audio lasts more than nothing and at most five minutes.
void requireImportableLength(const AudioFileInput& file);

inline const QString kInterruptedRecordingIssue =
    QStringLiteral("Recording was interrupted. Review the saved text.");

// One voice note: live dictation or an imported audio file transcribed into one text of a note
// (a location note, or the general note when `noteID` is none). Lives on the GUI thread; blocking
// work (opening devices, loading the recogniser, closing files) runs on worker threads and reports
// back to the GUI thread, where results for a session that has moved on are dropped. Only one
// session is live in the whole application at a time.
class VoiceSession : public std::enable_shared_from_this<VoiceSession> {
public:
    enum class Phase { Preparing, Recording, Finishing, Done };

    static constexpr double kLongestImportSeconds = 300.0;

    // Starts in `Preparing` with the draft over the target's present text.
    static std::shared_ptr<VoiceSession> make(NoteDocument& document,
                                              const std::optional<Id>& noteID,
                                              const TextRange& selection, const QString& locale,
                                              VoiceServices services);
    ~VoiceSession();

    // Every session started and not yet done, in start order.
    static const std::vector<std::shared_ptr<VoiceSession>>& sessions();
    // The session that is preparing or recording, if any.
    static std::shared_ptr<VoiceSession> current();
    static std::vector<std::shared_ptr<VoiceSession>> pending(const NoteDocument* document);
    // Stops every session of `document` (of all documents for none) and calls `done` once each
    // has finished.
    static void finishAll(const NoteDocument* document, std::function<void()> done);
    // finishAll, waiting in a local event loop.
    static void finishAllAndWait(const NoteDocument* document);
    // Why the editor may not start dictating into that text now, or none.
    static std::optional<QString> startRefusal(const NoteDocument& document,
                                               const std::optional<Id>& noteID,
                                               bool screenRecordingRunning, bool composing);

    // Live dictation without a file; else the transcription of that audio file.
    void start(const std::optional<QString>& file = std::nullopt);
    // Ends the session; a reason becomes the recording's issue and the final message.
    void stop(const std::optional<QString>& reason = std::nullopt);
    // One recogniser result.
    void receive(const VoiceTranscript& result);

    // What the text field reports.
    void beginTextComposition();
    void userEdited(const QString& text, bool composing);
    void freezeText();
    void resumeText();
    void stopFollowingText();
    void breakTextUndoCoalescing();
    // Undo or redo of a typing step: the field and the session go back to that step's draft.
    void restoreTyping(const VoiceDraft& draft);

    const Id& id() const { return id_; }
    NoteDocument* document() const { return document_; }
    const std::optional<Id>& noteID() const { return noteID_; }
    const QString& locale() const { return locale_; }
    qint64 originalSchemaVersion() const { return originalSchemaVersion_; }
    Phase phase() const { return phase_; }
    const QString& message() const { return message_; }
    double level() const { return level_; }
    double duration() const { return duration_; }
    bool isLive() const { return !sourceFile_; }
    const VoiceDraft& draft() const { return text_.draft(); }
    const VoiceTextField& text() const { return text_; }
    const std::set<int>& quietSegments() const { return quietSegments_; }
    const std::optional<Microphone>& microphone() const { return microphone_; }

    bool canStop() const { return phase_ < Phase::Finishing; }
    bool isBusy() const { return phase_ != Phase::Done; }
    // Where the editor puts the text cursor, while the cursor follows the words.
    std::optional<qsizetype> dictatedCaret() const;
    std::optional<TextRange> provisionalRange() const { return text_.draft().provisionalRange(); }
    bool hasDeferredText() const { return text_.hasDeferredText(); }
    bool tracksTextEdits() const;

    std::function<void()> onChange;
    std::function<void()> onFinish;

private:
    struct Audio;

    VoiceSession(NoteDocument& document, const std::optional<Id>& noteID,
                 const TextRange& selection, const QString& locale, VoiceServices services);

    // Runs `work` later on the GUI thread, unless the session is gone by then.
    void post(std::function<void(VoiceSession&)> work) const;
    void notify() const;
    void refuse(const QString& message);
    bool preparing(int token) const;

    // Preparation, one step after another; each takes the token of the preparation it belongs to.
    void askForMicrophone(int token);
    void prepareSpeech(int token);
    void speechReady(int token, std::shared_ptr<LocalSpeech> speech);
    void checkpointSaved(int token);
    void startFeeding(int token);
    void startMicrophone(int token);
    void microphoneOpened(int token, std::shared_ptr<MicrophoneCapture> capture);
    void configureWriter(const AudioFormat& format);
    void meter(double level, double duration);
    void failPreparation(int token, const QString& reason);

    void applyText(const QString& words, int segment, bool isFinal);
    void writeBody(const std::optional<QString>& body);
    const VoiceRecording* recording() const;

    // The finalizer, in its steps.
    void finalize(std::optional<QString> reason, bool cancelled);
    void audioClosed(std::optional<QString> reason, bool cancelled, double duration,
                     QByteArray bytes);
    void transcriptFinished(std::optional<QString> reason, bool cancelled);
    void settle(std::optional<QString> reason, bool cancelled);
    void saved(const std::optional<QString>& error, const std::optional<QString>& issue,
               bool cancelled);

    Id id_;
    QPointer<NoteDocument> document_;
    std::optional<Id> noteID_;
    QString locale_;
    qint64 originalSchemaVersion_ = 1;
    VoiceServices services_;

    Phase phase_ = Phase::Preparing;
    QString message_;
    double level_ = 0;
    double duration_ = 0;
    VoiceTextField text_;
    std::set<int> quietSegments_;
    std::set<int> insertedSegments_;

    std::optional<Microphone> microphone_;
    std::optional<QString> sourceFile_;
    bool startCalled_ = false;
    // Each preparation and each deadline has a token; a stop makes every older one stale.
    int preparation_ = 0;
    bool awaitingPermission_ = false;
    // The running wait for the recogniser's last results, if any.
    std::optional<int> finishWait_;
    int finishWaits_ = 0;
    std::shared_ptr<Audio> audio_;
    std::unique_ptr<VoiceRecoveryDraft> recoveryDraft_;
};

} // namespace lumbex
