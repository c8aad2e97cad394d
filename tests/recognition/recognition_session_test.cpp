#include "core/error.h"
#include "recognition/recognition_session.h"
#include "support/fake_recognition_engines.h"
#include "support/qt_printers.h"
#include "support/test_images.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Phase = RecognitionWindowState::Phase;

QImage screen(bool withText) {
    return test::textScreen({400, 120}, withText ? QStringList{"Text"} : QStringList{},
                            {QStringLiteral("DejaVu Sans"), 16, Qt::black, Qt::white}, {40, 60});
}

class RecognitionSessionTest : public ::testing::Test {
protected:
    bool current = true;
    bool hold = false;
    std::vector<QString> codes;
    std::vector<RecognitionResult> recognized;
    test::FakeTextEngine* engine = nullptr;

    std::unique_ptr<RecognitionSession> session(bool qrOnly, std::function<QImage()> source) {
        RecognitionEngines engines{[this] {
                                       auto made = std::make_unique<test::FakeTextEngine>(hold);
                                       engine = made.get();
                                       return made;
                                   },
                                   [this] { return std::make_unique<test::FakeQrReader>(codes); }};
        return std::make_unique<RecognitionSession>(
            qrOnly, engines, std::move(source), [this] { return current; },
            [this](const RecognitionResult& r) { recognized.push_back(r); });
    }
    // Runs the event loop until the session reports a change (or 20 seconds pass).
    static void waitForChange(RecognitionSession& s) {
        QEventLoop loop;
        QObject::connect(&s, &RecognitionSession::changed, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    static void settle() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
};

TEST_F(RecognitionSessionTest, StartsReadingWithCancelOffered) {
    hold = true;
    auto s = session(false, [] { return screen(true); });
    EXPECT_EQ(s->state().message, "Reading on this computer…");
    EXPECT_EQ(s->state().dismissTitle, "Cancel");
    EXPECT_FALSE(s->state().copyEnabled);
    EXPECT_FALSE(s->state().layoutEnabled);
    EXPECT_EQ(s->outputLabel(), "Recognized text");
    s->close();
}

TEST_F(RecognitionSessionTest, ShowsWhatWasReadForReview) {
    struct Case {
        bool qrOnly;
        bool withText;
        std::vector<QString> codes;
        QString output;
        QString message;
    };
    for (const Case& c : {Case{false, true, {}, "alpha beta", "Review before copying."},
                          Case{false, false, {}, "", "No text found."},
                          Case{true, false, {"one", "two"}, "one\n\ntwo", "Review before copying."},
                          Case{true, false, {}, "", "No QR code found."}}) {
        codes = c.codes;
        recognized.clear();
        auto s = session(c.qrOnly, [&] { return screen(c.withText); });
        s->start();
        waitForChange(*s);
        EXPECT_EQ(s->state().phase, Phase::Finished);
        EXPECT_EQ(s->state().output, c.output);
        EXPECT_EQ(s->state().message, c.message);
        EXPECT_EQ(s->state().copyEnabled, !c.output.isEmpty()) << c.message.toStdString();
        EXPECT_TRUE(s->state().layoutEnabled);
        EXPECT_EQ(s->state().dismissTitle, "Done");
        EXPECT_EQ(recognized.size(), 1u);
    }
}

TEST_F(RecognitionSessionTest, ShowsTheSourcesErrorAsTheMessage) {
    auto s = session(false, []() -> QImage {
        throw LumbexError(QStringLiteral("Select an area inside the image to read."));
    });
    s->start();
    waitForChange(*s);
    EXPECT_EQ(s->state().message, "Select an area inside the image to read.");
    EXPECT_EQ(s->state().dismissTitle, "Done");
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, AnEngineOutOfMemoryIsShownAsTheMessage) {
    struct ExhaustedEngine : TextEngine {
        std::vector<EngineLine> read(const QImage&, PageLayout, ReadingLanguages) override {
            throw std::bad_alloc();
        }
        void cancel() override {}
        void resume() override {}
    };
    RecognitionSession s(
        false, {[] { return std::make_unique<ExhaustedEngine>(); }, {}},
        [] { return screen(true); }, [] { return true; },
        [this](const RecognitionResult& r) { recognized.push_back(r); });
    s.start();
    waitForChange(s);
    EXPECT_EQ(s.state().message, "Not enough memory to read the text.");
    EXPECT_EQ(s.state().dismissTitle, "Done");
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, DropsAResultForAnImageThatChangedMeanwhile) {
    auto s = session(false, [] { return screen(true); });
    current = false;
    s->start();
    waitForChange(*s);
    EXPECT_EQ(s->state().message, "Image changed. Read it again.");
    EXPECT_EQ(s->state().output, "");
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, InvalidationCancelsTheReadingAndNeverRestartsIt) {
    hold = true;
    auto s = session(false, [] { return screen(true); });
    s->start();
    while (!engine || !engine->reading)
        QCoreApplication::processEvents();
    s->invalidateIfNeeded();
    EXPECT_EQ(s->state().phase, Phase::Reading) << "still current: nothing to do";
    current = false;
    s->invalidateIfNeeded();
    EXPECT_EQ(s->state().phase, Phase::Stale);
    EXPECT_EQ(s->state().message, "Image changed. Read it again.");
    settle();
    EXPECT_EQ(s->state().message, "Image changed. Read it again.");
    EXPECT_EQ(s->state().dismissTitle, "Done");
    EXPECT_FALSE(s->state().layoutEnabled);
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, AClosedWindowDropsTheLateOutcome) {
    hold = true;
    auto s = session(false, [] { return screen(true); });
    s->start();
    while (!engine || !engine->reading)
        QCoreApplication::processEvents();
    int changes = 0;
    QObject::connect(s.get(), &RecognitionSession::changed, [&] { ++changes; });
    s->close();
    settle();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(s->state().message, "Reading on this computer…");
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, ASessionDestroyedWhileReadingGetsNothing) {
    hold = true;
    auto s = session(false, [] { return screen(true); });
    s->start();
    while (!engine || !engine->reading)
        QCoreApplication::processEvents();
    s.reset();
    settle();
    EXPECT_TRUE(recognized.empty());
}

TEST_F(RecognitionSessionTest, SwitchesLayoutAndCopiesOnlyACurrentResult) {
    auto s = session(false, [] { return screen(true); });
    s->start();
    waitForChange(*s);
    s->setCodeLayout(true);
    EXPECT_EQ(s->state().output, "alpha beta");
    EXPECT_EQ(s->textToCopy(), std::optional<QString>("alpha beta"));
    s->copyFinished(true);
    EXPECT_EQ(s->state().message, "Copied");
    s->copyFinished(false);
    EXPECT_EQ(s->state().message, "Couldn’t copy. Try again.");

    current = false;
    EXPECT_EQ(s->textToCopy(), std::nullopt);
    EXPECT_EQ(s->state().output, "");
    EXPECT_FALSE(s->state().copyEnabled);
    EXPECT_EQ(s->state().message, "Image changed. Read it again.");
}

} // namespace
} // namespace lumbex
