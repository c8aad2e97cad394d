#include "model/note_document.h"
#include "voice/voice_recovery_draft.h"
#include "voice/voice_session.h"
#include "voice/voice_session_audio.h"

#include <QCoreApplication>
#include <QTimer>
#include <future>

namespace lumbex {
namespace {

constexpr qint64 kFeedFrames = 4096;
constexpr double kLongestDictationSeconds = 300.0;
// Before this much audio, a quiet input is not yet worth a warning.
constexpr double kQuietWarningAfterSeconds = 2.0;

const QString kPermissionTimeout = QStringLiteral(
    "The microphone didn’t respond. Check that the sound server is running, then try again.");

// On this system the microphone may be used when it exists and opens.
void openToAuthorize(const MicrophoneOpener& open, const std::optional<Microphone>& microphone) {
    if (!microphone)
        throw LumbexError(QStringLiteral(
            "No microphone could be opened. Connect a microphone or choose another one in this "
            "note, or keep typing."));
    open(microphone);
}

} // namespace

void requireImportableLength(const AudioFileInput& file) {
    const double seconds = double(file.frameCount()) / file.format().sampleRate;
    if (!(seconds > 0 && seconds <= VoiceSession::kLongestImportSeconds))
        throw LumbexError(QStringLiteral("Choose an audio recording up to 5 minutes long."));
}

void VoiceSession::failPreparation(int token, const QString& reason) {
    if (token == preparation_)
        stop(reason);
}

void VoiceSession::askForMicrophone(int token) {
    if (!preparing(token))
        return;
    message_ = QStringLiteral("Waiting for microphone access…");
    notify();
    awaitingPermission_ = true;
    QTimer::singleShot(services_.microphonePermissionTimeoutMs, QCoreApplication::instance(),
                       [weak = weak_from_this(), token] {
                           auto session = weak.lock();
                           if (session && session->preparing(token) && session->awaitingPermission_)
                               session->stop(kPermissionTimeout);
                       });
    auto authorize = services_.authorizeMicrophone;
    if (!authorize) {
        authorize = [open = services_.openMicrophone](const std::optional<Microphone>& m) {
            openToAuthorize(open, m);
        };
    }
    runDetached([self = weak_from_this(), authorize, microphone = microphone_, token] {
        std::optional<QString> failure;
        try {
            authorize(microphone);
        } catch (const LumbexError& error) {
            failure = error.message();
        }
        if (auto session = self.lock()) {
            session->post([failure, token](VoiceSession& s) {
                if (!s.preparing(token))
                    return;
                s.awaitingPermission_ = false;
                if (failure)
                    s.failPreparation(token, *failure);
                else
                    s.prepareSpeech(token);
            });
        }
    });
}

void VoiceSession::prepareSpeech(int token) {
    if (!preparing(token))
        return;
    message_ = QStringLiteral("Preparing voice…");
    notify();
    const std::weak_ptr<VoiceSession> weak = weak_from_this();
    LocalSpeech::Status status = [weak, token](const QString& text) {
        if (auto session = weak.lock()) {
            session->post([text, token](VoiceSession& s) {
                if (s.preparing(token)) {
                    s.message_ = text;
                    s.notify();
                }
            });
        }
    };
    LocalSpeech::Transcript transcript = [weak](const VoiceTranscript& result) {
        if (auto session = weak.lock())
            session->post([result](VoiceSession& s) { s.receive(result); });
    };
    runDetached([weak, make = services_.makeSpeech, locale = locale_, file = !isLive(), status,
                 transcript, token] {
        std::shared_ptr<LocalSpeech> speech;
        std::optional<QString> failure;
        try {
            speech = make(locale, file, status, transcript);
        } catch (const LumbexError& error) {
            failure = error.message();
        }
        auto session = weak.lock();
        if (!session) {
            if (speech)
                speech->cancel();
            return;
        }
        session->post([speech, failure, token](VoiceSession& s) {
            if (failure)
                return s.failPreparation(token, *failure);
            s.speechReady(token, speech);
        });
    });
}

void VoiceSession::speechReady(int token, std::shared_ptr<LocalSpeech> speech) {
    if (!preparing(token) || !document_) {
        if (speech)
            speech->cancel();
        return;
    }
    audio_->speech = std::move(speech);
    // The recording entry must be on disk before any audio exists.
    document_->saveCheckpoint([weak = weak_from_this(), token](const std::optional<QString>& e) {
        auto session = weak.lock();
        if (!session)
            return;
        if (e)
            session->failPreparation(token, *e);
        else
            session->checkpointSaved(token);
    });
}

void VoiceSession::checkpointSaved(int token) {
    if (!preparing(token) || !document_)
        return;
    try {
        recoveryDraft_ =
            std::make_unique<VoiceRecoveryDraft>(document_->note().id, id_, services_.draftsRoot);
        recoveryDraft_->create();
    } catch (const LumbexError& error) {
        recoveryDraft_.reset();
        return failPreparation(token, error.message());
    }
    if (isLive())
        startMicrophone(token);
    else
        startFeeding(token);
}

void VoiceSession::configureWriter(const AudioFormat& format) {
    audio_->writer = services_.makeWriter(format, audio_->speech.get(), audio_->signal,
                                          recoveryDraft_->audioPath());
    const std::weak_ptr<VoiceSession> weak = weak_from_this();
    audio_->writer->onLevel([weak](double level, double duration) {
        if (auto session = weak.lock())
            session->post([level, duration](VoiceSession& s) { s.meter(level, duration); });
    });
    audio_->writer->onFailure([weak](const LumbexError& error) {
        if (auto session = weak.lock())
            session->post([message = error.message()](VoiceSession& s) { s.stop(message); });
    });
}

void VoiceSession::meter(double level, double duration) {
    if (phase_ != Phase::Recording)
        return;
    if (isLive()) {
        const bool quiet = duration >= kQuietWarningAfterSeconds && !audio_->signal.hasSignal();
        message_ = quiet ? QStringLiteral("Input is very quiet") : QStringLiteral("Listening");
    }
    level_ = level;
    duration_ = duration;
    notify();
    // An import was measured before it started, so only dictation can run into the limit.
    if (isLive() && duration >= kLongestDictationSeconds)
        stop(QStringLiteral("Reached the 5-minute limit. Start another voice note to continue."));
}

void VoiceSession::startFeeding(int token) {
    try {
        audio_->file = services_.openAudioFile(*sourceFile_);
        requireImportableLength(*audio_->file);
        configureWriter(audio_->file->format());
    } catch (const LumbexError& error) {
        return failPreparation(token, error.message());
    }
    phase_ = Phase::Recording;
    message_ = QStringLiteral("Transcribing audio…");
    notify();
    auto done = std::make_shared<std::promise<void>>();
    audio_->feed = done->get_future().share();
    runDetached([weak = weak_from_this(), audio = audio_, done] {
        std::optional<QString> failure;
        try {
            qint64 position = 0;
            const qint64 length = audio->file->frameCount();
            while (position < length && !audio->feedCancelled) {
                const AudioBuffer buffer = audio->file->read(kFeedFrames);
                if (buffer.frames() == 0)
                    break;
                position += buffer.frames();
                audio->writer->append(buffer);
            }
        } catch (const LumbexError& error) {
            failure = error.message();
        }
        done->set_value();
        if (auto session = weak.lock())
            session->post([failure](VoiceSession& s) { s.stop(failure); });
    });
}

void VoiceSession::startMicrophone(int token) {
    if (services_.noteIsActive && !services_.noteIsActive())
        return failPreparation(token,
                               QStringLiteral("Voice input paused because you left this note. "
                                              "Click the mic to start when you’re ready."));
    runDetached([weak = weak_from_this(), open = services_.openMicrophone, microphone = microphone_,
                 token] {
        std::shared_ptr<MicrophoneCapture> capture;
        std::optional<QString> failure;
        try {
            capture = open(microphone);
        } catch (const LumbexError& error) {
            failure = error.message();
        }
        auto session = weak.lock();
        if (!session)
            return;
        session->post([capture, failure, token](VoiceSession& s) mutable {
            if (failure)
                return s.failPreparation(token, *failure);
            if (!s.preparing(token))
                return;
            s.microphoneOpened(token, std::move(capture));
        });
    });
}

void VoiceSession::microphoneOpened(int token, std::shared_ptr<MicrophoneCapture> capture) {
    try {
        configureWriter(capture->format());
    } catch (const LumbexError& error) {
        return failPreparation(token, error.message());
    }
    audio_->capture = std::move(capture);
    phase_ = Phase::Recording;
    message_ = QStringLiteral("Starting microphone…");
    notify();
    const std::weak_ptr<VoiceSession> weak = weak_from_this();
    VoiceAudioWriter* writer = audio_->writer.get();
    try {
        audio_->capture->start([writer](const AudioBuffer& buffer) { writer->append(buffer); },
                               [weak](const LumbexError& error) {
                                   if (auto session = weak.lock())
                                       session->post([message = error.message()](VoiceSession& s) {
                                           s.stop(message);
                                       });
                               });
    } catch (const LumbexError& error) {
        stop(error.message());
    }
}

} // namespace lumbex
