#include "recognition/reading_crew.h"
#include "support/fake_recognition_engines.h"

#include <future>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::FakeTextEngine;

EngineTask task(int width, int height, int level, PageLayout layout = PageLayout::SingleBlock,
                ReadingLanguages languages = ReadingLanguages::First) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return {image, layout, languages};
}

// Reads each image as its width, and holds every read until `partners` reads run at once (or
// a few seconds pass), noting whether they met.
class MeetingEngine : public TextEngine {
public:
    struct Meeting {
        std::mutex lock;
        std::condition_variable arrived;
        int reading = 0;
        bool met = false;
    };
    MeetingEngine(Meeting& meeting, int partners) : meeting_(meeting), partners_(partners) {}

    std::vector<EngineLine> read(const QImage& image, PageLayout, ReadingLanguages) override {
        std::unique_lock lock(meeting_.lock);
        ++meeting_.reading;
        meeting_.arrived.notify_all();
        if (meeting_.arrived.wait_for(lock, std::chrono::seconds(5),
                                      [&] { return meeting_.reading >= partners_; }))
            meeting_.met = true;
        const QString width = QString::number(image.width());
        return {{width, image.rect(), {{width, image.rect()}}}};
    }
    void cancel() override {}
    void resume() override {}

private:
    Meeting& meeting_;
    int partners_;
};

TEST(ReadingCrewTest, ReadsEachDistinctImageOnceAndAnswersInTaskOrder) {
    std::vector<QSize> sizes;
    ReadingCrew crew([&] { return std::make_unique<FakeTextEngine>(false, &sizes); }, 1);
    const std::vector<EngineTask> tasks = {
        task(40, 20, 200), task(80, 20, 200), task(40, 20, 200),
        // Other pixels, another size, layout or languages are other reads.
        task(40, 20, 201), task(20, 40, 200), task(40, 20, 200, PageLayout::SingleLine),
        task(40, 20, 200, PageLayout::SingleBlock, ReadingLanguages::All)};
    const std::vector<std::vector<EngineLine>> lines = crew.read(tasks);
    ASSERT_EQ(lines.size(), tasks.size());
    for (size_t i = 0; i < tasks.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 1u);
        EXPECT_EQ(lines[i][0].box, tasks[i].image.rect()) << i;
    }
    EXPECT_EQ(sizes.size(), 6u);
    // Largest first, so that no thread is left with a long read at the end.
    EXPECT_EQ(sizes.front(), QSize(80, 20));

    EXPECT_TRUE(crew.read({}).empty());
    crew.read({task(40, 20, 200)});
    EXPECT_EQ(sizes.size(), 7u) << "each batch is read afresh";
}

TEST(ReadingCrewTest, EachThreadReadsWithItsOwnEngineAtTheSameTime) {
    MeetingEngine::Meeting meeting;
    std::atomic<int> made = 0;
    ReadingCrew crew(
        [&] {
            ++made;
            return std::make_unique<MeetingEngine>(meeting, 2);
        },
        2);
    const std::vector<std::vector<EngineLine>> lines =
        crew.read({task(30, 10, 0), task(50, 10, 0), task(70, 10, 0), task(90, 10, 0)});
    EXPECT_TRUE(meeting.met);
    EXPECT_EQ(made, 2);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0][0].text, "30");
    EXPECT_EQ(lines[3][0].text, "90");
}

TEST(ReadingCrewTest, AnEngineThatCannotLoadOrReadFailsTheReading) {
    struct FailingEngine : FakeTextEngine {
        std::vector<EngineLine> read(const QImage&, PageLayout, ReadingLanguages) override {
            throw LumbexError(QStringLiteral("Text recognition failed. Try again."));
        }
    };
    const std::function<std::unique_ptr<TextEngine>()> makers[] = {
        []() -> std::unique_ptr<TextEngine> {
            throw LumbexError(QStringLiteral("Text recognition failed. Try again."));
        },
        [] { return std::make_unique<FailingEngine>(); }};
    for (const auto& make : makers) {
        ReadingCrew crew(make, 2);
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                crew.read({task(10, 10, 0), task(20, 10, 0), task(30, 10, 0)});
                ADD_FAILURE() << "the reading should fail";
            } catch (const RecognitionCancelled&) {
                ADD_FAILURE() << "a failure is not a cancellation";
            } catch (const LumbexError& error) {
                EXPECT_EQ(error.message(), "Text recognition failed. Try again.");
            }
        }
    }
}

TEST(ReadingCrewTest, CancellingFromAnotherThreadStopsEveryEngine) {
    std::mutex lock;
    std::vector<FakeTextEngine*> engines;
    ReadingCrew crew(
        [&] {
            auto engine = std::make_unique<FakeTextEngine>(true);
            const std::lock_guard guard(lock);
            engines.push_back(engine.get());
            return engine;
        },
        2);
    auto reading = std::async(std::launch::async, [&] {
        return crew.read({task(10, 10, 0), task(20, 10, 0)});
    });
    const auto bothReading = [&] {
        const std::lock_guard guard(lock);
        return engines.size() == 2 && engines[0]->reading && engines[1]->reading;
    };
    while (!bothReading())
        std::this_thread::yield();
    crew.cancel();
    EXPECT_THROW(reading.get(), RecognitionCancelled);
    EXPECT_THROW(crew.read({task(10, 10, 0)}), RecognitionCancelled);
}

TEST(ReadingCrewTest, ACrewCancelledBeforeItsEnginesLoadStillStops) {
    ReadingCrew crew([] { return std::make_unique<FakeTextEngine>(true); }, 2);
    crew.cancel();
    EXPECT_THROW(crew.read({task(10, 10, 0)}), RecognitionCancelled);
}

} // namespace
} // namespace lumbex
