#include "recognition/image_recognition.h"
#include "recognition/warm_reading_crew.h"

#include <QPainter>
#include <future>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using namespace std::chrono_literals;

// What the engines of one crew did, shared across their threads.
struct EngineLog {
    std::mutex lock;
    std::condition_variable changed;
    int made = 0;
    int unloaded = 0;
    int koreanLoads = 0;
    // The width of each image read, in the order the reads began.
    std::vector<int> widthsRead;
    // While set, reads wait until cancelled or until it is cleared.
    bool hold = false;
    int holding = 0;

    template <class Predicate> bool waitFor(Predicate done) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 10s, done);
    }
    void setHold(bool value) {
        const std::lock_guard guard(lock);
        hold = value;
        changed.notify_all();
    }
};

// Reads every image as "alpha beta" and loads its second language on the first read that asks
// for all languages, as the installed engine does.
class LoggingEngine : public TextEngine {
public:
    explicit LoggingEngine(EngineLog& log) : log_(log) {
        const std::lock_guard guard(log_.lock);
        ++log_.made;
        log_.changed.notify_all();
    }
    ~LoggingEngine() override {
        const std::lock_guard guard(log_.lock);
        ++log_.unloaded;
        log_.changed.notify_all();
    }

    std::vector<EngineLine> read(const QImage& image, PageLayout,
                                 ReadingLanguages languages) override {
        std::unique_lock guard(log_.lock);
        if (languages == ReadingLanguages::All && !koreanLoaded_) {
            koreanLoaded_ = true;
            ++log_.koreanLoads;
        }
        log_.widthsRead.push_back(image.width());
        ++log_.holding;
        log_.changed.notify_all();
        log_.changed.wait(guard, [this] { return cancelled_ || !log_.hold; });
        --log_.holding;
        if (cancelled_)
            throw RecognitionCancelled();
        const QRect all = image.rect();
        return {{QStringLiteral("alpha beta"), all, {{QStringLiteral("alpha beta"), all}}}};
    }
    void cancel() override {
        const std::lock_guard guard(log_.lock);
        cancelled_ = true;
        log_.changed.notify_all();
    }
    void resume() override {
        const std::lock_guard guard(log_.lock);
        cancelled_ = false;
    }

private:
    EngineLog& log_;
    bool cancelled_ = false;
    bool koreanLoaded_ = false;
};

std::shared_ptr<WarmReadingCrew> warmCrew(EngineLog& log, int threads,
                                          std::chrono::milliseconds idleRelease = 10min) {
    return std::make_shared<WarmReadingCrew>(
        [&log] { return std::make_unique<LoggingEngine>(log); }, threads, idleRelease);
}

// The engines of the application: a reading that made a crew of its own would make more.
RecognitionEngines enginesOn(EngineLog& log, std::shared_ptr<WarmReadingCrew> crew) {
    RecognitionEngines engines;
    engines.textEngine = [&log] { return std::make_unique<LoggingEngine>(log); };
    engines.textThreads = 2;
    engines.warmCrew = std::move(crew);
    return engines;
}

QImage screenWithWords() {
    QImage image(800, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(20, 20, 300, 40), Qt::AlignLeft, QStringLiteral("First block"));
    painter.drawText(QRect(450, 200, 300, 40), Qt::AlignLeft, QStringLiteral("Second block"));
    return image;
}

EngineTask task(int width, ReadingLanguages languages = ReadingLanguages::First) {
    QImage image(width, 20, QImage::Format_Grayscale8);
    image.fill(255);
    return {image, PageLayout::SingleBlock, languages};
}

// Reads `width` on the crew from another thread; `queued` is set once it has its ticket.
std::future<void> readLater(WarmReadingCrew& crew, int width,
                            std::promise<WarmReadingCrew::Ticket>& queued) {
    return std::async(std::launch::async, [&crew, width, &queued] {
        crew.run([&](WarmReadingCrew::Ticket ticket) { queued.set_value(ticket); },
                 [width](ReadingCrew& engines) { engines.read({task(width)}); });
    });
}

void readOn(WarmReadingCrew& crew, const std::vector<EngineTask>& tasks) {
    crew.run([](WarmReadingCrew::Ticket) {}, [&](ReadingCrew& engines) { engines.read(tasks); });
}

TEST(WarmReadingCrewTest, TwoReadingsInARowLoadEachEngineOnce) {
    EngineLog log;
    const RecognitionEngines engines = enginesOn(log, warmCrew(log, 2));
    const QImage screen = screenWithWords();
    const RecognitionResult first = ImageRecognition(engines).recognize(screen, false);
    const RecognitionResult second = ImageRecognition(engines).recognize(screen, false);
    EXPECT_FALSE(first.lines.empty());
    EXPECT_EQ(first.text(false), second.text(false));
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.made, 2);
    EXPECT_EQ(log.unloaded, 0);
}

TEST(WarmReadingCrewTest, WarmingUpLoadsTheEnginesBeforeTheFirstReading) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 2);
    EXPECT_FALSE(crew->holdsEngines());
    crew->warmUp();
    crew->warmUp();
    ASSERT_TRUE(log.waitFor([&] { return log.made == 2; }));
    readOn(*crew, {task(40), task(50), task(60)});
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.made, 2);
}

TEST(WarmReadingCrewTest, IdleEnginesAreReleasedAndTheNextReadingLoadsThemAgain) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 2, 100ms);
    readOn(*crew, {task(40)});
    ASSERT_TRUE(log.waitFor([&] { return log.unloaded == 2; }));
    EXPECT_FALSE(crew->holdsEngines());
    readOn(*crew, {task(40)});
    EXPECT_TRUE(crew->holdsEngines());
    // The engine that read nothing may still be loading.
    EXPECT_TRUE(log.waitFor([&] { return log.made == 4; }));
}

TEST(WarmReadingCrewTest, ReadingsKeepTheEnginesWithinTheIdleTime) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 1, 400ms);
    // Each reading starts the idle time again: four readings 200 ms apart span more than it.
    for (int reading = 0; reading < 4; ++reading) {
        readOn(*crew, {task(40)});
        std::this_thread::sleep_for(200ms);
    }
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.made, 1);
    EXPECT_EQ(log.unloaded, 0);
}

TEST(WarmReadingCrewTest, CancellingAReadingKeepsTheEngines) {
    EngineLog log;
    const RecognitionEngines engines = enginesOn(log, warmCrew(log, 2));
    log.setHold(true);
    ImageRecognition cancelled(engines);
    auto reading = std::async(std::launch::async,
                              [&] { return cancelled.recognize(screenWithWords(), false); });
    ASSERT_TRUE(log.waitFor([&] { return log.holding > 0; }));
    cancelled.cancel();
    EXPECT_THROW(reading.get(), RecognitionCancelled);

    log.setHold(false);
    const RecognitionResult next = ImageRecognition(engines).recognize(screenWithWords(), false);
    EXPECT_FALSE(next.lines.empty());
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.made, 2);
    EXPECT_EQ(log.unloaded, 0);
}

TEST(WarmReadingCrewTest, AWorkerCancelledBeforeItsTurnReadsNothing) {
    EngineLog log;
    const RecognitionEngines engines = enginesOn(log, warmCrew(log, 1));
    ImageRecognition worker(engines);
    worker.cancel();
    EXPECT_THROW(worker.recognize(screenWithWords(), false), RecognitionCancelled);
    const std::lock_guard guard(log.lock);
    EXPECT_TRUE(log.widthsRead.empty());
}

TEST(WarmReadingCrewTest, KoreanLoadsOnlyWhenABlockNeedsItAndThenStays) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 1);
    const struct {
        ReadingLanguages languages;
        int koreanLoads;
    } readings[] = {{ReadingLanguages::First, 0},
                    {ReadingLanguages::All, 1},
                    {ReadingLanguages::All, 1},
                    {ReadingLanguages::First, 1}};
    for (const auto& reading : readings) {
        readOn(*crew, {task(40, reading.languages)});
        const std::lock_guard guard(log.lock);
        EXPECT_EQ(log.koreanLoads, reading.koreanLoads);
    }
}

TEST(WarmReadingCrewTest, ReadingsFromTwoCallersRunInTheOrderTheyQueued) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 1);
    log.setHold(true);
    std::promise<WarmReadingCrew::Ticket> firstQueued, secondQueued, thirdQueued;
    auto first = readLater(*crew, 10, firstQueued);
    ASSERT_TRUE(log.waitFor([&] { return log.holding == 1; }));
    auto second = readLater(*crew, 20, secondQueued);
    secondQueued.get_future().wait();
    auto third = readLater(*crew, 30, thirdQueued);
    thirdQueued.get_future().wait();
    log.setHold(false);
    first.get();
    second.get();
    third.get();
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.widthsRead, (std::vector<int>{10, 20, 30}));
}

TEST(WarmReadingCrewTest, ACancelledWaitingReadingLeavesTheLineAtOnce) {
    EngineLog log;
    const std::shared_ptr<WarmReadingCrew> crew = warmCrew(log, 1);
    log.setHold(true);
    std::promise<WarmReadingCrew::Ticket> runningQueued, waitingQueued;
    auto running = readLater(*crew, 10, runningQueued);
    ASSERT_TRUE(log.waitFor([&] { return log.holding == 1; }));
    auto waiting = readLater(*crew, 20, waitingQueued);
    crew->cancel(waitingQueued.get_future().get());
    EXPECT_THROW(waiting.get(), RecognitionCancelled);
    log.setHold(false);
    running.get();
    const std::lock_guard guard(log.lock);
    EXPECT_EQ(log.widthsRead, std::vector<int>{10});
    EXPECT_EQ(log.made, 1);
}

} // namespace
} // namespace lumbex
