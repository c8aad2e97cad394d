#pragma once

#include "core/files.h"
#include "recording/screen_recorder.h"
#include "support/fake_recording_media.h"
#include "support/temporary_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace lumbex::test {

using ScreenHandle = ManualSource<VideoSample>::Handle;
using AudioHandle = ManualSource<AudioSample>::Handle;
using Phase = ScreenRecorder::Phase;

inline CaptureDisplay display(const QString& id, Rect frame, double scale = 1) {
    CaptureDisplay d;
    d.id = id;
    d.cocoaFrame = frame;
    d.quartzFrame = frame;
    d.scale = scale;
    d.isMain = id == u"A";
    return d;
}

// Drives a recorder with sources the test feeds by hand, fake movies and a clock the test sets.
struct RecorderRig {
    RecorderServices services() {
        RecorderServices s;
        s.displays = [this] { return displays; };
        s.windows = [this] {
            if (windowsFailure)
                throw *windowsFailure;
            return windows;
        };
        s.openScreen = [this](const ScreenFrameSettings& settings) {
            screenSettings.push_back(settings);
            return std::make_unique<ManualSource<VideoSample>>(screen);
        };
        s.openAudio = [this](RecordingAudio role) -> std::unique_ptr<RecordingAudioSource> {
            if (role == RecordingAudio::Microphone && !microphoneAvailable)
                throw LumbexError(QStringLiteral("No microphone could be opened."));
            return std::make_unique<ManualSource<AudioSample>>(audio[role]);
        };
        s.openMovie = movies.factory();
        s.inspect = movies.inspector();
        s.clock = [this] { return now; };
        s.voiceNoteBusy = [this] { return voiceBusy; };
        return s;
    }

    std::unique_ptr<ScreenRecorder> makeRecorder(ScreenRecordingOptions options = {},
                                                 std::optional<CaptureSelection> selection = {},
                                                 std::optional<QString> folder = {}) {
        auto recorder =
            std::make_unique<ScreenRecorder>(selection.value_or(CaptureSelection(displays.front())),
                                             options, folder.value_or(directory()), services());
        recorder->onChange = [this, r = recorder.get()] { phases.push_back(r->phase()); };
        recorder->onSegment = [this](const RecordingSegment& s) { segments.push_back(s); };
        return recorder;
    }

    QString directory() const { return folder.path() + "/Pending Recordings/R1"; }
    RecordingJournal savedJournal() const {
        return RecordingJournal::decode(readFile(directory() + "/recording.json", 1 << 20, {}));
    }

    // Sends a picture at the clock's time and waits for the recorder to hear of a first one.
    void sendPicture(ScreenRecorder& recorder) {
        ASSERT_TRUE(screen->send(picture(now)));
        QElapsedTimer waited;
        waited.start();
        while (recorder.phase() == Phase::Preparing && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    // Records one segment of `length` µs with a picture at its start.
    void recordSegment(ScreenRecorder& recorder, qint64 length) {
        recorder.start();
        sendPicture(recorder);
        ASSERT_EQ(recorder.phase(), Phase::Recording);
        now += length;
    }

    TemporaryFolder folder;
    FakeMovies movies;
    std::vector<CaptureDisplay> displays{display("A", {0, 0, 1280, 720}),
                                         display("B", {1280, 0, 1920, 1080}, 2)};
    std::vector<CaptureWindow> windows;
    // When set, listing the windows throws it (a window grant that fails or is cancelled).
    std::optional<LumbexError> windowsFailure;
    std::shared_ptr<ScreenHandle> screen = std::make_shared<ScreenHandle>();
    std::map<RecordingAudio, std::shared_ptr<AudioHandle>> audio{
        {RecordingAudio::System, std::make_shared<AudioHandle>()},
        {RecordingAudio::Microphone, std::make_shared<AudioHandle>()}};
    std::vector<ScreenFrameSettings> screenSettings;
    std::vector<Phase> phases;
    std::vector<RecordingSegment> segments;
    qint64 now = qint64(5000) * 1'000'000;
    bool voiceBusy = false;
    bool microphoneAvailable = true;
};

} // namespace lumbex::test
