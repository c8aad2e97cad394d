#pragma once

#include "platform/text_engine.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lumbex {

// One image for the engine, how to find its lines and with which languages to read them.
struct EngineTask {
    QImage image;
    PageLayout layout = PageLayout::SingleBlock;
    ReadingLanguages languages = ReadingLanguages::First;
};

// Reads batches of images on several threads, each with an engine of its own. The threads
// start, and load their engines, as soon as the crew is made, so that loading overlaps with
// the caller cutting out what to read. Within a batch, the same pixels read the same way are
// read once (the tile pass repeats most regions of the full pass).
class ReadingCrew {
public:
    ReadingCrew(std::function<std::unique_ptr<TextEngine>()> makeEngine, int threads);
    ~ReadingCrew();
    ReadingCrew(const ReadingCrew&) = delete;
    ReadingCrew& operator=(const ReadingCrew&) = delete;

    // The lines of each task, in the order of `tasks`. Blocks the calling thread. Throws the
    // first error an engine threw (loading or reading), RecognitionCancelled after cancel().
    std::vector<std::vector<EngineLine>> read(const std::vector<EngineTask>& tasks);
    // Stops running reads early and makes every later read() throw, until resume(); callable
    // from any thread.
    void cancel();
    // Lets later reads run again after cancel(), on the engines already loaded.
    void resume();

private:
    void work(size_t member);
    // The next unread task of the running batch, or none; called with lock_ held.
    std::optional<size_t> nextTask();
    void fail(std::exception_ptr error);

    std::function<std::unique_ptr<TextEngine>()> makeEngine_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<TextEngine>> engines_;
    bool cancelled_ = false;
    bool stopping_ = false;
    std::exception_ptr error_;

    // The running batch: the distinct images, largest first so that no thread is left with a
    // long read at the end, and what was read of each.
    const std::vector<EngineTask>* batch_ = nullptr;
    std::vector<size_t> order_;
    size_t next_ = 0;
    size_t busy_ = 0;
    std::vector<std::vector<EngineLine>> read_;

    std::vector<std::thread> threads_;
};

} // namespace lumbex
