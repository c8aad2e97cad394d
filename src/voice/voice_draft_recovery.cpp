#include "voice/voice_draft_recovery.h"

#include "core/sha256.h"
#include "model/note_document.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session.h"
#include "voice/voice_session_audio.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <cmath>
#include <memory>

namespace lumbex {
namespace {

bool ownedByASession(const Id& recordingID) {
    for (const auto& session : VoiceSession::sessions()) {
        if (session->id() == recordingID)
            return true;
    }
    return false;
}

void setRecording(NoteDocument& document, const Id& recordingID,
                  const std::function<void(VoiceRecording&)>& change) {
    document.update([&](CaptureNote& note) {
        for (VoiceRecording& r : *note.recordings) {
            if (r.id == recordingID)
                change(r);
        }
    });
}

struct Outcome {
    std::optional<VoiceRecoveryDraft::Recovered> recovered;
};

void settle(NoteDocument& document, const VoiceRecoveryDraft& draft, const Outcome& outcome,
            const std::function<void()>& ended) {
    const bool known =
        document.note().recordings &&
        std::any_of(document.note().recordings->begin(), document.note().recordings->end(),
                    [&](const VoiceRecording& r) { return r.id == draft.recordingID(); });
    if (!known)
        return ended();
    if (!outcome.recovered) {
        setRecording(document, draft.recordingID(),
                     [](VoiceRecording& r) { r.issue = kUnrecoverableVoiceIssue; });
        return ended();
    }
    const auto& [bytes, seconds] = *outcome.recovered;
    document.setAudio(draft.recordingID(), bytes);
    setRecording(document, draft.recordingID(), [&](VoiceRecording& r) {
        r.duration = seconds;
        r.audioSHA256 = sha256Hex(bytes);
        r.issue = recoveredVoiceIssue(seconds);
    });
    document.saveCheckpoint([draft, ended](const std::optional<QString>& error) {
        if (!error) {
            try {
                draft.remove();
            } catch (const LumbexError&) {
                // The note holds the audio now; a draft that stays is only a leftover.
            }
        }
        ended();
    });
}

} // namespace

QString recoveredVoiceIssue(double seconds) {
    const qint64 whole = qint64(std::floor(seconds));
    return QStringLiteral("Recovered %1:%2 of audio after an interruption. Review the saved text "
                          "or transcribe again. The final moments may be missing.")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

void recoverVoiceDrafts(NoteDocument& document, const QString& draftsRoot,
                        AudioFileOpener openAudioFile, std::function<void()> done) {
    std::vector<VoiceRecoveryDraft> drafts;
    for (const VoiceRecording& r :
         document.note().recordings.value_or(std::vector<VoiceRecording>{})) {
        if (r.audioSHA256 || ownedByASession(r.id))
            continue;
        VoiceRecoveryDraft draft(document.note().id, r.id, draftsRoot);
        if (draft.exists())
            drafts.push_back(draft);
    }
    if (drafts.empty()) {
        if (done)
            done();
        return;
    }
    auto remaining = std::make_shared<std::size_t>(drafts.size());
    const std::function<void()> ended = [remaining, done] {
        if (--*remaining == 0 && done)
            done();
    };
    for (const VoiceRecoveryDraft& draft : drafts) {
        runDetached([target = QPointer<NoteDocument>(&document), draft, openAudioFile, ended] {
            Outcome outcome;
            try {
                outcome.recovered = draft.recover(openAudioFile);
            } catch (const LumbexError&) {
                // The recording tells the user; the draft stays for them to inspect.
            }
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [target, draft, outcome, ended] {
                    if (!target)
                        return ended();
                    settle(*target, draft, outcome, ended);
                },
                Qt::QueuedConnection);
        });
    }
}

void recoverVoiceDraftsAndWait(NoteDocument& document, const QString& draftsRoot,
                               AudioFileOpener openAudioFile) {
    QEventLoop loop;
    bool finished = false;
    recoverVoiceDrafts(document, draftsRoot, std::move(openAudioFile), [&] {
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
}

} // namespace lumbex
