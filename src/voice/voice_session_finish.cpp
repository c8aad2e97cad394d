#include "core/sha256.h"
#include "model/note_document.h"
#include "model/schema_level.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session.h"
#include "voice/voice_session_audio.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace lumbex {
namespace {

const QString kTimedOut =
    QStringLiteral("Transcription timed out. Your audio and visible text have been kept.");
const QString kQuietSegments =
    QStringLiteral("Very quiet audio was left out of your note. Review Original Transcript in "
                   "Voice options; your recording is saved.");
const QString kQuietAudio = QStringLiteral(
    "Audio was very quiet. Check your microphone or play the saved recording in Voice options.");
const QString kNoSpeech =
    QStringLiteral("No speech recognized. Play the recording or transcribe it again.");

// The finished audio file, read on a worker thread. Empty when it cannot be read.
QByteArray readFinishedAudio(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink() || info.size() < 1 ||
        info.size() > VoiceRecoveryDraft::kMaximumAudioBytes)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

void VoiceSession::finalize(std::optional<QString> reason, bool cancelled) {
    const QString path = recoveryDraft_ ? recoveryDraft_->audioPath() : QString();
    runDetached([weak = weak_from_this(), audio = audio_, path, reason, cancelled] {
        if (audio->capture)
            audio->capture->stop();
        if (audio->feed.valid())
            audio->feed.wait();
        double seconds = 0;
        std::optional<QString> why = reason;
        QByteArray bytes;
        if (audio->writer) {
            auto [written, failure] = audio->writer->finish();
            seconds = written;
            if (failure && !why)
                why = failure->message();
            if (seconds > 0)
                bytes = readFinishedAudio(path);
        }
        if (auto session = weak.lock()) {
            session->post([why, cancelled, seconds, bytes](VoiceSession& s) {
                s.audioClosed(why, cancelled, seconds, bytes);
            });
        }
    });
}

void VoiceSession::audioClosed(std::optional<QString> reason, bool cancelled, double duration,
                               QByteArray bytes) {
    duration_ = duration;
    if (duration > 0 && bytes.isEmpty() && !reason)
        reason = QStringLiteral("The recorded audio couldn’t be read. Its draft has been kept.");
    if (duration > 0 && !bytes.isEmpty() && document_ && recording()) {
        const QString digest = sha256Hex(bytes);
        document_->setAudio(id_, bytes);
        document_->update([&](CaptureNote& note) {
            for (VoiceRecording& r : *note.recordings) {
                if (r.id == id_) {
                    r.duration = duration;
                    r.audioSHA256 = digest;
                }
            }
        });
    }
    const std::shared_ptr<LocalSpeech> speech = audio_->speech;
    if (!speech)
        return settle(reason, cancelled);
    if (cancelled) {
        speech->cancel();
        return settle(reason, cancelled);
    }
    const int wait = ++finishWaits_;
    finishWait_ = wait;
    QTimer::singleShot(services_.transcriptTimeoutMs, QCoreApplication::instance(),
                       [weak = weak_from_this(), speech, wait, cancelled] {
                           auto session = weak.lock();
                           if (!session || session->finishWait_ != wait)
                               return;
                           session->finishWait_.reset();
                           speech->cancel();
                           session->settle(kTimedOut, cancelled);
                       });
    auto finish = services_.finishTranscript;
    if (!finish)
        finish = [](LocalSpeech& s) { s.finish(); };
    runDetached([weak = weak_from_this(), speech, finish, reason, cancelled, wait] {
        std::optional<QString> why = reason;
        try {
            finish(*speech);
        } catch (const LumbexError& error) {
            if (!why)
                why = error.message();
        }
        if (auto session = weak.lock()) {
            session->post([why, cancelled, wait](VoiceSession& s) {
                if (s.finishWait_ != wait)
                    return;
                s.finishWait_.reset();
                s.settle(why, cancelled);
            });
        }
    });
}

void VoiceSession::settle(std::optional<QString> reason, bool cancelled) {
    const VoiceRecording* entry = recording();
    std::optional<QString> issue = reason;
    if (entry) {
        const bool hasText = !entry->transcript.trimmed().isEmpty();
        if (duration_ <= 0 && !hasText) {
            document_->update([&](CaptureNote& note) {
                std::erase_if(*note.recordings,
                              [&](const VoiceRecording& r) { return r.id == id_; });
                if (note.recordings->empty() && originalSchemaVersion_ == 1) {
                    note.recordings.reset();
                    note.schemaVersion = std::max<qint64>(minimumSchemaVersion(note), 1);
                }
            });
        } else {
            if (!issue && !quietSegments_.empty())
                issue = kQuietSegments;
            else if (!issue && duration_ > 0 && !audio_->signal.hasSignal())
                issue = kQuietAudio;
            else if (!issue && !hasText)
                issue = kNoSpeech;
            document_->update([&](CaptureNote& note) {
                for (VoiceRecording& r : *note.recordings) {
                    if (r.id == id_)
                        r.issue = issue;
                }
            });
        }
    }
    if (!document_)
        return saved(std::nullopt, issue, cancelled);
    message_ = QStringLiteral("Saving voice note…");
    notify();
    document_->saveCheckpoint(
        [weak = weak_from_this(), issue, cancelled](const std::optional<QString>& error) {
            if (auto session = weak.lock())
                session->saved(error, issue, cancelled);
        });
}

void VoiceSession::saved(const std::optional<QString>& error, const std::optional<QString>& issue,
                         bool cancelled) {
    const auto keepAlive = shared_from_this();
    if (error) {
        message_ = QStringLiteral("Couldn’t save voice note: ") + *error;
    } else {
        if (recoveryDraft_) {
            try {
                recoveryDraft_->remove();
            } catch (const LumbexError&) {
                // A draft that cannot be removed is only a leftover: the note holds its audio.
            }
        }
        message_ = issue       ? *issue
                   : cancelled ? QStringLiteral("Voice input cancelled")
                               : QStringLiteral("Transcript ready");
    }
    phase_ = Phase::Done;
    std::erase_if(liveVoiceSessions(), [&](const auto& session) { return session.get() == this; });
    notify();
    if (onFinish)
        onFinish();
}

} // namespace lumbex
