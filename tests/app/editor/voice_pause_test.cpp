// Starting a voice note silences what this application plays: every recording window's player
// and a voice recording being played. A start that is refused leaves them playing.
#include "app/editor/editor_context.h"
#include "app/editor/voice_controller.h"
#include "app/recording_ui/recording_player_panel.h"
#include "app/recording_ui/recording_window_controller.h"
#include "platform/recording_export.h"
#include "platform/segment_sound.h"
#include "recording/recording_document.h"
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "support/wav_bytes.h"
#include "voice/voice_playback.h"
#include "voice/voice_session.h"

#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace lumbex {
namespace {

constexpr int kWait = 10'000;

// Speakers that take sound in real time and keep none of it.
class SlowSpeakers : public SoundOutput {
public:
    void write(const std::vector<float>&) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void drain() override {}
    void discard() override {}
};

class VoicePauseTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::red, 3);
        document = test::openRecordingNote(segments, package.path("note.capturenote"));
        RecordingWindowServices services;
        services.open = openSegmentPictures;
        services.media = {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes,
                          readSegmentSound};
        services.chooseDestination = [](RecordingExportFormat) { return QString(); };
        services.showTimeNote = [](const Id&) {};
        services.showImage = [](const Id&) {};
        recordingWindow = new RecordingWindowController(*document, services);
        recordingWindow->show();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return recordingWindow->isPreviewCurrent() && !player().picture().isNull(); },
            kWait));
        context = std::make_unique<EditorContext>(*document, noteWindow);
        voice = std::make_unique<VoiceController>(*context);
        voice->playSound = [] { return std::make_unique<SlowSpeakers>(); };
        // The session ends at once: no recogniser here.
        voice->services = [drafts = package.path(QStringLiteral("Voice Drafts"))] {
            VoiceServices s;
            s.makeSpeech = [](const QString&, bool, LocalSpeech::Status,
                              LocalSpeech::Transcript) -> std::unique_ptr<LocalSpeech> {
                throw LumbexError(QStringLiteral("No recogniser."));
            };
            s.currentMicrophone = [] { return std::nullopt; };
            s.authorizeMicrophone = [](const std::optional<Microphone>&) {};
            s.draftsRoot = drafts;
            return s;
        };
        // A minute of quiet to play.
        const QString wav = package.path(QStringLiteral("voice.wav"));
        QFile file(wav);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(test::monoWav(QByteArray(16000 * 2 * 60, '\0')));
        file.close();
        voice->playback().play(newId(), wav, false);
        player().play();
        ASSERT_TRUE(player().isPlaying());
        ASSERT_TRUE(voice->playback().playing());
    }
    void TearDown() override {
        VoiceSession::finishAllAndWait(nullptr);
        voice.reset();
        delete recordingWindow.data();
    }

    RecordingPlayer& player() const { return recordingWindow->playerPanel()->player(); }

    test::SegmentFolder segments;
    test::TemporaryFolder package;
    std::unique_ptr<NoteDocument> document;
    QPointer<RecordingWindowController> recordingWindow;
    QWidget noteWindow;
    std::unique_ptr<EditorContext> context;
    std::unique_ptr<VoiceController> voice;
};

TEST_F(VoicePauseTest, StartingDictationPausesPlayersAndVoicePlayback) {
    voice->toggle(std::nullopt, {-1, 0}, false);
    EXPECT_FALSE(player().isPlaying());
    EXPECT_FALSE(voice->playback().playing());
    ASSERT_TRUE(voice->sessionFor(std::nullopt));
}

TEST_F(VoicePauseTest, ARefusedStartLeavesThemPlaying) {
    // An input method composing in the field refuses the start.
    voice->toggle(std::nullopt, {-1, 0}, true);
    EXPECT_EQ(context->statusMessage(), "Finish composing this character, then start voice input.");
    EXPECT_FALSE(voice->sessionFor(std::nullopt));
    EXPECT_TRUE(player().isPlaying());
    EXPECT_TRUE(voice->playback().playing());
}

} // namespace
} // namespace lumbex
