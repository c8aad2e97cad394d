#include "core/files.h"
#include "recording/screen_recorder.h"
#include "support/recorder_rig.h"
#include "support/temporary_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Phase = ScreenRecorder::Phase;
using test::display;
using test::picture;
using test::RecorderRig;
using test::sound;

constexpr qint64 kSecond = 1000000;

std::string messageOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return "no error";
}

class RecorderTest : public ::testing::Test, protected RecorderRig {};

TEST_F(RecorderTest, TheJournalFollowsEveryStep) {
    auto recorder = makeRecorder();
    RecordingJournal journal = savedJournal();
    EXPECT_EQ(journal.version, 1);
    EXPECT_TRUE(journal.recording.segments.empty());
    EXPECT_FALSE(journal.activeSegment);
    EXPECT_FALSE(journal.completed);

    recorder->start();
    EXPECT_EQ(recorder->phase(), Phase::Preparing);
    journal = savedJournal();
    ASSERT_TRUE(journal.activeSegment);
    EXPECT_TRUE(QFile::exists(directory() + "/" + idString(*journal.activeSegment) + ".mov"));

    sendPicture(*recorder);
    EXPECT_EQ(recorder->phase(), Phase::Recording);
    EXPECT_EQ(recorder->firstFrameTime(), now);
    now += 3 * kSecond;
    recorder->pause();
    journal = savedJournal();
    ASSERT_EQ(journal.recording.segments.size(), 1u);
    EXPECT_EQ(journal.recording.segments[0].duration, 3 * kSecond)
        << "a still screen keeps its length";
    EXPECT_FALSE(journal.activeSegment);

    const ScreenRecording recording = recorder->stop();
    journal = savedJournal();
    EXPECT_TRUE(journal.completed);
    EXPECT_EQ(journal.recording, recording);
    EXPECT_FALSE(journal.issue);
    EXPECT_EQ(phases, (std::vector{Phase::Preparing, Phase::Recording, Phase::Pausing,
                                   Phase::Paused, Phase::Finishing, Phase::Finished}));
    EXPECT_EQ(ScreenRecorder::current(), nullptr);
}

TEST_F(RecorderTest, EachStretchBetweenPausesIsASegmentOfTheSameSize) {
    auto recorder = makeRecorder();
    recordSegment(*recorder, 2 * kSecond);
    recorder->pause();
    displays[0].scale = 2; // the display changed its scale while paused
    recordSegment(*recorder, kSecond);
    recorder->pause();
    recordSegment(*recorder, 4 * kSecond);
    const ScreenRecording recording = recorder->stop();
    ASSERT_EQ(recording.segments.size(), 3u);
    qint64 total = 0;
    for (const RecordingSegment& segment : recording.segments) {
        EXPECT_EQ(segment.width, 1280);
        EXPECT_EQ(segment.height, 720);
        total += segment.duration;
    }
    EXPECT_EQ(total, 7 * kSecond);
    EXPECT_EQ(recording.duration(), total);
    EXPECT_EQ(segments, recording.segments) << "each segment was announced";
    EXPECT_EQ(screen->starts, 3);
}

TEST_F(RecorderTest, SourcesAndSizesFollowTheSelection) {
    ScreenRecordingOptions options;
    options.longestSide = 1000;
    options.cursor = false;
    options.clicks = true;
    auto recorder = makeRecorder(options, CaptureRegion{{1300, 10, 301, 201}, displays});
    recorder->start();
    ASSERT_EQ(screenSettings.size(), 1u);
    EXPECT_EQ(std::get<QRect>(screenSettings[0].source), QRect(1300, 10, 301, 201));
    EXPECT_FALSE(screenSettings[0].cursor);
    EXPECT_TRUE(screenSettings[0].clicks);
    // 301 × 201 points at scale 2 → 602 × 402 pixels, under the limit, made even.
    EXPECT_EQ(movies.logs.at(0)->settings.width, 602);
    EXPECT_EQ(movies.logs.at(0)->settings.height, 402);
}

TEST_F(RecorderTest, RefusalsBeforeRecordingLeaveTheRecorderReady) {
    auto recorder = makeRecorder();
    EXPECT_EQ(messageOf([&] { recorder->stop(); }), "There is no active recording to stop.");
    EXPECT_EQ(messageOf([&] { recorder->pause(); }), "The recorder is already busy.");
    voiceBusy = true;
    EXPECT_EQ(messageOf([&] { recorder->start(); }),
              "Finish the voice note before starting a screen recording.");
    voiceBusy = false;
    EXPECT_EQ(recorder->phase(), Phase::Ready);

    recorder->start();
    EXPECT_EQ(messageOf([&] { recorder->start(); }), "The recorder is already busy.");
    ScreenRecorder other(displays.front(), {}, folder.path() + "/other", services());
    EXPECT_EQ(messageOf([&] { other.start(); }), "Finish the current screen recording first.");
}

TEST_F(RecorderTest, SourceProblemsAtStartAreMarkedInTheJournal) {
    const struct {
        std::function<void(RecorderRig&)> arrange;
        CaptureSelection selection;
        ScreenRecordingOptions options;
        const char* message;
    } rows[] = {
        {[](RecorderRig&) {},
         CaptureWindow{42, 7, "Gone", {0, 0, 100, 100}},
         {},
         "The selected window is no longer available."},
        {[](RecorderRig& t) { t.displays.pop_back(); },
         CaptureDisplay(display("B", {})),
         {},
         "The recording source is unavailable."},
        {[](RecorderRig&) {},
         CaptureRegion{{1200, 0, 200, 100}, {}},
         {},
         "Keep the recording area on one display."},
        {[](RecorderRig& t) { t.microphoneAvailable = false; },
         CaptureSelection(CaptureDisplay()),
         {std::nullopt, true, false, false, true},
         "No microphone could be opened."},
    };
    for (const auto& row : rows) {
        RecorderRig t;
        row.arrange(t);
        CaptureSelection selection = row.selection;
        if (auto* region = std::get_if<CaptureRegion>(&selection))
            region->displays = t.displays;
        if (auto* chosen = std::get_if<CaptureDisplay>(&selection); chosen && chosen->id.isEmpty())
            *chosen = t.displays.front();
        auto recorder = t.makeRecorder(row.options, selection);
        EXPECT_EQ(messageOf([&] { recorder->start(); }), row.message);
        EXPECT_EQ(recorder->phase(), Phase::Failed);
        EXPECT_EQ(t.savedJournal().issue, QString::fromUtf8(row.message));
        EXPECT_EQ(ScreenRecorder::current(), nullptr);
        EXPECT_FALSE(t.screen->running);
    }
}

TEST_F(RecorderTest, AnAudioRoleWithoutSoundFailsThePauseButKeepsTheSegment) {
    ScreenRecordingOptions options;
    options.systemAudio = true;
    options.microphone = true;
    auto recorder = makeRecorder(options);
    recorder->start();
    ASSERT_TRUE(audio[RecordingAudio::System]->send(sound(now - 1000))); // waits for a picture
    sendPicture(*recorder);
    now += kSecond;
    EXPECT_EQ(messageOf([&] { recorder->pause(); }),
              "A selected audio source produced no saved track. The video has been preserved; "
              "review its sound before using it.");
    EXPECT_EQ(recorder->phase(), Phase::Failed);
    const RecordingJournal journal = savedJournal();
    EXPECT_EQ(journal.recording.segments.size(), 1u);
    EXPECT_TRUE(journal.issue);
    EXPECT_FALSE(audio[RecordingAudio::Microphone]->running);

    // A failed recorder can still be stopped, to close what was recorded.
    const ScreenRecording recording = recorder->stop();
    EXPECT_EQ(recording.segments.size(), 1u);
    EXPECT_TRUE(savedJournal().completed);
    EXPECT_EQ(savedJournal().issue, journal.issue) << "the first failure stays";
}

TEST_F(RecorderTest, InterruptionsKeepTheSegmentAndSayWhy) {
    const struct {
        std::function<void(ScreenRecorder&, RecorderRig&)> interrupt;
        const char* message;
        bool segmentFinished = true;
    } rows[] = {
        {[](ScreenRecorder& r, RecorderRig&) { r.interruptForSleep(); },
         "Recording stopped because the computer is going to sleep."},
        {[](ScreenRecorder& r, RecorderRig& t) {
             {
                 const std::lock_guard guard(t.movies.logs.back()->lock);
                 t.movies.logs.back()->failure =
                     LumbexError(QStringLiteral("Could not write “x.mov”: No space left."));
             }
             ASSERT_TRUE(t.screen->send(picture(t.now - 1)));
             QElapsedTimer waited;
             waited.start();
             while (r.phase() != Phase::Failed && waited.elapsed() < 5000)
                 QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
         },
         "Could not write “x.mov”: No space left.", false},
        {[](ScreenRecorder& r, RecorderRig& t) {
             ASSERT_TRUE(t.screen->fail(
                 LumbexError(QStringLiteral("The selected window is no longer available."))));
             QElapsedTimer waited;
             waited.start();
             while (r.phase() != Phase::Failed && waited.elapsed() < 5000)
                 QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
         },
         "The selected window is no longer available."},
    };
    for (const auto& row : rows) {
        RecorderRig t;
        auto recorder = t.makeRecorder();
        t.recordSegment(*recorder, 2 * kSecond);
        row.interrupt(*recorder, t);
        EXPECT_EQ(recorder->phase(), Phase::Failed);
        const RecordingJournal journal = t.savedJournal();
        EXPECT_EQ(journal.issue, QString::fromUtf8(row.message));
        if (row.segmentFinished) {
            ASSERT_EQ(journal.recording.segments.size(), 1u);
            EXPECT_EQ(journal.recording.segments[0].duration, 2 * kSecond);
            EXPECT_FALSE(journal.activeSegment);
        } else {
            EXPECT_TRUE(journal.recording.segments.empty());
            EXPECT_TRUE(journal.activeSegment) << "its file is left for recovery";
        }
        EXPECT_FALSE(t.screen->running);
    }
}

TEST_F(RecorderTest, NoPictureWithinFiveSecondsInterrupts) {
    auto recorder = makeRecorder();
    recorder->start();
    QElapsedTimer waited;
    waited.start();
    while (recorder->phase() == Phase::Preparing && waited.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_GE(waited.elapsed(), ScreenRecorder::kFirstFrameTimeoutMs - 100);
    EXPECT_EQ(recorder->phase(), Phase::Failed);
    const RecordingJournal journal = savedJournal();
    EXPECT_EQ(journal.issue,
              QStringLiteral("No screen frames arrived. Check the capture source and try again."));
    EXPECT_TRUE(journal.activeSegment) << "the empty segment could not be finished";
    EXPECT_EQ(messageOf([&] { recorder->stop(); }),
              "The recording has no complete segments or contains duplicate segments.");
}

} // namespace
} // namespace lumbex
