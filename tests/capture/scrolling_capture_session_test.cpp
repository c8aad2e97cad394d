#include "capture/scrolling_capture_session.h"
#include "core/error.h"
#include "model/image_files.h"
#include "support/fake_scroll_area.h"
#include "support/qt_printers.h"
#include "support/scroll_pages.h"
#include "support/temporary_folder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Phase = ScrollingCaptureSession::Phase;
using test::FakeScrollArea;

const QString overlapMessage =
    QStringLiteral("The frames don’t overlap clearly. Pause scrolling, avoid repeated rows, and "
                   "keep the window in place.");

constexpr int kWidth = 320, kViewport = 240;

class ScrollingCaptureSessionTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QImage page = test::textPage(kWidth, 2000, 41);
    qint64 now = 0;
    std::vector<std::pair<NotePackageContents, bool>> notes;
    std::optional<QString> sinkFailure;
    std::vector<QString> progressShown;
    int selectionRequests = 0;
    int ends = 0;
    ScrollingCaptureSession session{[this](const NotePackageContents& note, bool show) {
                                        if (sinkFailure)
                                            throw LumbexError(*sinkFailure);
                                        notes.emplace_back(note, show);
                                    },
                                    ScrollCaptureTiming{1, 1500, 300000}, [this] { return now; }};

    void SetUp() override {
        QObject::connect(&session, &ScrollingCaptureSession::changed,
                         [this] { progressShown.push_back(session.panel().progress); });
        QObject::connect(&session, &ScrollingCaptureSession::selectionRequested,
                         [this] { ++selectionRequests; });
        QObject::connect(&session, &ScrollingCaptureSession::ended, [this] { ++ends; });
    }

    // Runs the event loop until `done` holds; false after five seconds.
    bool waitUntil(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }

    // Starts a live capture of `area`, advancing the clock by `tick` ms before each grab.
    FakeScrollArea* capture(std::vector<int> tops, qint64 tick = 250,
                            std::function<void(int)> extra = {}) {
        session.begin();
        auto area = std::make_unique<FakeScrollArea>(page, kViewport, std::move(tops),
                                                     [this, tick, extra](int grab) {
                                                         now += tick;
                                                         if (extra)
                                                             extra(grab);
                                                     });
        FakeScrollArea* raw = area.get();
        session.start(std::move(area));
        return raw;
    }

    const Media& stitchedImage(size_t note = 0) const { return notes.at(note).first.note.media[0]; }
    QImage stitchedPixels(size_t note = 0) const {
        const auto& contents = notes.at(note).first;
        return ImageFiles::image(contents.originals.at(contents.note.media[0].id))
            .convertToFormat(QImage::Format_RGB32);
    }
    std::vector<std::optional<int>> offsets(size_t note = 0) const {
        std::vector<std::optional<int>> result;
        for (const auto& piece : stitchedImage(note).scrollCapture->pieces)
            result.push_back(piece.offsetY);
        return result;
    }
};

TEST_F(ScrollingCaptureSessionTest, aLiveCaptureJoinsTheScrolledPageIntoANote) {
    EXPECT_EQ(session.panel().progress, QString());
    capture({0, 60, 60, 150, 250});
    EXPECT_EQ(selectionRequests, 1);
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 4; }));
    EXPECT_EQ(session.phase(), Phase::Capturing);
    EXPECT_EQ(session.panel().progress, QStringLiteral("4 frames · 320 × 490 px"));
    EXPECT_NE(std::find(progressShown.begin(), progressShown.end(),
                        QStringLiteral("1 frame · 320 × 240 px")),
              progressShown.end());
    EXPECT_TRUE(session.panel().finishEnabled);
    EXPECT_FALSE(session.panel().retryVisible);
    EXPECT_EQ(session.panel().preview, page.copy(0, 250, kWidth, kViewport));

    session.finish();
    EXPECT_EQ(session.phase(), Phase::Saving);
    EXPECT_EQ(session.panel().progress, QStringLiteral("Saving 4 frames…"));
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(notes[0].second);
    const CaptureNote& note = notes[0].first.note;
    EXPECT_EQ(note.title, QStringLiteral("Scrolling Capture"));
    const ScrollCaptureInfo& info = *stitchedImage().scrollCapture;
    EXPECT_FALSE(info.partial);
    EXPECT_EQ(info.issue, std::nullopt);
    EXPECT_EQ(info.imported, false);
    EXPECT_EQ(offsets(), (std::vector<std::optional<int>>{0, 60, 150, 250}));
    ASSERT_EQ(note.media.size(), 5u);
    EXPECT_EQ(note.media[4].name, QStringLiteral("Scroll source 4"));
    EXPECT_EQ(stitchedPixels(), page.copy(0, 0, kWidth, 490));
    EXPECT_EQ(ends, 1);
}

TEST_F(ScrollingCaptureSessionTest, aBriefMismatchAsksForAPauseAndTheCaptureGoesOn) {
    const FakeScrollArea* area = capture({0, 80, -1, -1, 160});
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 3; }));
    EXPECT_EQ(session.phase(), Phase::Capturing);
    EXPECT_NE(std::find(progressShown.begin(), progressShown.end(),
                        QStringLiteral("Pause scrolling to let the image settle…")),
              progressShown.end());
    EXPECT_GE(area->grabs(), 5);
    EXPECT_EQ(session.issue(), overlapMessage);

    // The mismatch was noted, so finishing keeps the capture as partial with the stray grab.
    session.finish();
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].first.note.title, QStringLiteral("Partial Scroll Capture"));
    EXPECT_TRUE(stitchedImage().scrollCapture->partial);
    EXPECT_EQ(stitchedImage().scrollCapture->issue, overlapMessage);
    EXPECT_EQ(offsets(), (std::vector<std::optional<int>>{0, 80, 160, std::nullopt}));
    EXPECT_EQ(notes[0].first.note.media.back().name, QStringLiteral("Unmatched scroll frame"));
    EXPECT_EQ(stitchedPixels(), page.copy(0, 0, kWidth, 400));
}

struct StopCase {
    const char* name;
    std::vector<int> tops;
    qint64 tick;
    std::function<void(int grab, qint64& now)> duringGrab;
    std::function<void(ScrollingCaptureSession&)> afterTwoFrames;
    QString message;
};

void PrintTo(const StopCase& c, std::ostream* out) {
    *out << c.name;
}

class SessionStopTest : public ScrollingCaptureSessionTest,
                        public ::testing::WithParamInterface<StopCase> {};

TEST_P(SessionStopTest, keepsTheJoinedFramesAndOffersTheChoices) {
    const StopCase& c = GetParam();
    capture(c.tops, c.tick, [&](int grab) {
        if (c.duringGrab)
            c.duringGrab(grab, now);
    });
    if (c.afterTwoFrames) {
        ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 2; }));
        c.afterTwoFrames(session);
    }
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Review; }));
    EXPECT_EQ(session.frameCount(), 2);
    EXPECT_EQ(session.issue(), c.message);
    EXPECT_EQ(session.panel().detail, c.message);
    EXPECT_EQ(session.panel().finishTitle, QStringLiteral("Keep Partial"));
    EXPECT_TRUE(session.panel().finishEnabled);
    EXPECT_TRUE(session.panel().retryVisible);
    EXPECT_EQ(session.panel().cancelTitle, QStringLiteral("Discard"));

    session.finish();
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(stitchedImage().scrollCapture->partial);
    EXPECT_EQ(stitchedImage().scrollCapture->issue, c.message);
    EXPECT_EQ(stitchedImage().height, kViewport + 100);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, SessionStopTest,
    ::testing::Values(
        StopCase{"framesStopMatching", {0, 100, -1}, 500, {}, {}, overlapMessage},
        StopCase{"fiveMinutesPass",
                 {0, 100},
                 250,
                 [](int grab, qint64& now) {
                     if (grab == 2)
                         now += 300000;
                 },
                 {},
                 QStringLiteral("Scroll capture reached five minutes. Keep this part and start "
                                "another capture.")},
        StopCase{"theAreaCannotBeGrabbed",
                 {0, 100},
                 250,
                 [](int grab, qint64&) {
                     if (grab == 2)
                         throw LumbexError(
                             QStringLiteral("Keep the scrolling area on one display."));
                 },
                 {},
                 QStringLiteral("Keep the scrolling area on one display.")},
        StopCase{"theDisplaysChange",
                 {0, 100},
                 250,
                 {},
                 [](ScrollingCaptureSession& s) { s.displaysChanged(); },
                 QStringLiteral("The display setup changed. The captured part has been kept.")},
        StopCase{"theComputerGoesToSleep",
                 {0, 100},
                 250,
                 {},
                 [](ScrollingCaptureSession& s) { s.systemWillSleep(); },
                 QStringLiteral("Scroll capture stopped because the computer is going to sleep.")},
        StopCase{"theUserCancels",
                 {0, 100},
                 250,
                 {},
                 [](ScrollingCaptureSession& s) { s.cancel(); },
                 QStringLiteral("Stopped before finishing. Keep the captured part or start "
                                "again.")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScrollingCaptureSessionTest, startAgainDiscardsTheFramesAndDiscardEndsWithoutANote) {
    capture({0, 100});
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 2; }));
    session.retry();
    EXPECT_EQ(session.phase(), Phase::Capturing) << "Start Again is offered only in review";
    session.cancel();
    ASSERT_EQ(session.phase(), Phase::Review);

    session.retry();
    EXPECT_EQ(session.phase(), Phase::Selecting);
    EXPECT_EQ(selectionRequests, 2);
    EXPECT_EQ(session.frameCount(), 0);
    EXPECT_EQ(session.issue(), std::nullopt);
    EXPECT_EQ(session.panel().progress, QStringLiteral("Waiting for the first frame…"));
    EXPECT_EQ(session.panel().finishTitle, QStringLiteral("Finish"));
    EXPECT_FALSE(session.panel().finishEnabled);
    EXPECT_FALSE(session.panel().retryVisible);
    EXPECT_EQ(session.panel().cancelTitle, QStringLiteral("Cancel"));

    session.cancel();
    EXPECT_EQ(session.phase(), Phase::Idle);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(notes.empty());
}

TEST_F(ScrollingCaptureSessionTest, resultsOfADiscardedAttemptNeverReachTheNextOne) {
    capture({0});
    session.cancel(); // stops; the first grab is still being joined
    session.cancel(); // discards
    ASSERT_EQ(session.phase(), Phase::Idle);
    const QImage wide = test::textPage(400, 1000, 43);
    session.begin();
    session.start(std::make_unique<FakeScrollArea>(wide, kViewport, std::vector<int>{0, 90}));
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 2; }));
    EXPECT_EQ(session.panel().progress, QStringLiteral("2 frames · 400 × 330 px"));
    EXPECT_EQ(session.issue(), std::nullopt);
}

TEST_F(ScrollingCaptureSessionTest, aFailedSaveKeepsEverythingForAnotherTry) {
    capture({0, 100});
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 2; }));
    sinkFailure = QStringLiteral("The disk is full.");
    session.finish();
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Review; }));
    EXPECT_EQ(session.panel().detail, QStringLiteral("Couldn’t Save: The disk is full."));
    EXPECT_TRUE(session.panel().finishEnabled);

    sinkFailure.reset();
    session.finish();
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(offsets(), (std::vector<std::optional<int>>{0, 100}));
}

TEST_F(ScrollingCaptureSessionTest, quittingSavesWhatWasJoinedWithoutShowingIt) {
    capture({0, 100});
    ASSERT_TRUE(waitUntil([&] { return session.frameCount() == 2; }));
    session.finishForTermination();
    EXPECT_EQ(session.phase(), Phase::Idle);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_FALSE(notes[0].second);
    EXPECT_FALSE(stitchedImage().scrollCapture->partial);
    EXPECT_EQ(offsets().front(), 0);
}

TEST_F(ScrollingCaptureSessionTest, importJoinsFilesInNaturalOrderAndSkipsRepeats) {
    const auto frame = [&](const char* name, int top, int width = kWidth) {
        return folder.write(QString::fromLatin1(name),
                            ImageFiles::encode(page.copy(0, top, width, kViewport), false));
    };
    const QStringList files{frame("a10.png", 200), frame("a2.png", 100), frame("a3.png", 100),
                            frame("a1.png", 0)};
    session.importFiles(files);
    EXPECT_EQ(session.phase(), Phase::Capturing);
    EXPECT_TRUE(session.imported());
    EXPECT_EQ(session.panel().detail, QStringLiteral("Joining images in filename order…"));
    bool finishOffered = false;
    QObject::connect(&session, &ScrollingCaptureSession::changed,
                     [&] { finishOffered |= session.panel().finishEnabled; });
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    EXPECT_FALSE(finishOffered);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(notes[0].second);
    EXPECT_EQ(notes[0].first.note.title, QStringLiteral("Stitched Scroll Images"));
    EXPECT_EQ(stitchedImage().scrollCapture->imported, true);
    EXPECT_FALSE(stitchedImage().scrollCapture->partial);
    EXPECT_EQ(offsets(), (std::vector<std::optional<int>>{0, 100, 200}));
    EXPECT_EQ(stitchedPixels(), page.copy(0, 0, kWidth, 440));
}

TEST_F(ScrollingCaptureSessionTest, anImportStopsAtAnImageOfAnotherSize) {
    const QStringList files{
        folder.write("shot 1.png", ImageFiles::encode(page.copy(0, 0, kWidth, kViewport), false)),
        folder.write("shot 2.png",
                     ImageFiles::encode(page.copy(0, 100, kWidth - 1, kViewport), false)),
        folder.write("shot 3.png",
                     ImageFiles::encode(page.copy(0, 200, kWidth, kViewport), false))};
    session.importFiles(files);
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Review; }));
    const QString changed = QStringLiteral(
        "The capture area changed size. Keep the partial image and select it again.");
    EXPECT_EQ(session.panel().detail, changed);
    EXPECT_TRUE(session.panel().finishEnabled);
    session.finish();
    ASSERT_TRUE(waitUntil([&] { return session.phase() == Phase::Idle; }));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].first.note.title, QStringLiteral("Partial Scroll Capture"));
    EXPECT_EQ(stitchedImage().scrollCapture->issue, changed);
    EXPECT_EQ(offsets(), (std::vector<std::optional<int>>{0}));
}

} // namespace
} // namespace lumbex
