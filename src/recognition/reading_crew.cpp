#include "recognition/reading_crew.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace lumbex {
namespace {

size_t pixelsKey(const EngineTask& task) {
    const QImage& image = task.image;
    size_t key = qHashMulti(0, image.width(), image.height(), int(image.format()), int(task.layout),
                            int(task.languages));
    const qsizetype rowBytes = (qsizetype(image.width()) * image.depth() + 7) / 8;
    for (int y = 0; y < image.height(); ++y)
        key = qHashBits(image.constScanLine(y), rowBytes, key);
    return key;
}

// The tasks without repeats, and for each task the index of its first equal in that list.
std::pair<std::vector<EngineTask>, std::vector<size_t>>
distinctTasks(const std::vector<EngineTask>& tasks) {
    std::vector<EngineTask> distinct;
    std::vector<size_t> sameAs;
    std::unordered_multimap<size_t, size_t> byKey;
    for (const EngineTask& task : tasks) {
        const size_t key = pixelsKey(task);
        const auto [first, last] = byKey.equal_range(key);
        const auto equal = std::find_if(first, last, [&](const auto& known) {
            const EngineTask& other = distinct[known.second];
            return other.layout == task.layout && other.languages == task.languages &&
                   other.image == task.image;
        });
        if (equal != last) {
            sameAs.push_back(equal->second);
            continue;
        }
        byKey.emplace(key, distinct.size());
        sameAs.push_back(distinct.size());
        distinct.push_back(task);
    }
    return {std::move(distinct), std::move(sameAs)};
}

} // namespace

ReadingCrew::ReadingCrew(std::function<std::unique_ptr<TextEngine>()> makeEngine, int threads)
    : makeEngine_(std::move(makeEngine)) {
    const size_t members = size_t(std::max(threads, 1));
    engines_.resize(members);
    for (size_t member = 0; member < members; ++member)
        threads_.emplace_back([this, member] { work(member); });
}

ReadingCrew::~ReadingCrew() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void ReadingCrew::cancel() {
    const std::lock_guard guard(lock_);
    cancelled_ = true;
    for (const std::unique_ptr<TextEngine>& engine : engines_)
        if (engine)
            engine->cancel();
    next_ = order_.size();
    changed_.notify_all();
}

void ReadingCrew::resume() {
    const std::lock_guard guard(lock_);
    cancelled_ = false;
    for (const std::unique_ptr<TextEngine>& engine : engines_)
        if (engine)
            engine->resume();
}

void ReadingCrew::fail(std::exception_ptr error) {
    if (!error_)
        error_ = std::move(error);
    next_ = order_.size();
}

std::optional<size_t> ReadingCrew::nextTask() {
    if (!batch_ || next_ >= order_.size())
        return std::nullopt;
    return order_[next_++];
}

void ReadingCrew::work(size_t member) {
    std::unique_ptr<TextEngine> made;
    std::exception_ptr loadError;
    try {
        made = makeEngine_();
    } catch (...) {
        loadError = std::current_exception();
    }
    std::unique_lock lock(lock_);
    if (loadError) {
        fail(loadError);
        changed_.notify_all();
        return;
    }
    TextEngine* engine = made.get();
    engines_[member] = std::move(made);
    if (cancelled_)
        engine->cancel();
    for (;;) {
        std::optional<size_t> index;
        changed_.wait(lock, [&] { return stopping_ || (index = nextTask()); });
        if (stopping_) {
            // Each thread unloads its own engine, so that the crew ends in the time of one.
            const std::unique_ptr<TextEngine> unloading = std::move(engines_[member]);
            lock.unlock();
            return;
        }
        ++busy_;
        const EngineTask& task = (*batch_)[*index];
        lock.unlock();
        std::vector<EngineLine> lines;
        std::exception_ptr error;
        try {
            lines = engine->read(task.image, task.layout, task.languages);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        --busy_;
        // What a cancelled read threw ends only this batch: the engines read again after resume().
        if (error && !cancelled_)
            fail(error);
        else if (!error)
            read_[*index] = std::move(lines);
        changed_.notify_all();
    }
}

std::vector<std::vector<EngineLine>> ReadingCrew::read(const std::vector<EngineTask>& tasks) {
    auto [distinct, sameAs] = distinctTasks(tasks);
    std::vector<size_t> order(distinct.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return qint64(distinct[a].image.width()) * distinct[a].image.height() >
               qint64(distinct[b].image.width()) * distinct[b].image.height();
    });

    std::unique_lock lock(lock_);
    if (cancelled_)
        throw RecognitionCancelled();
    if (error_)
        std::rethrow_exception(error_);
    batch_ = &distinct;
    order_ = std::move(order);
    next_ = 0;
    read_.assign(distinct.size(), {});
    changed_.notify_all();
    changed_.wait(lock, [this] { return next_ >= order_.size() && busy_ == 0; });
    batch_ = nullptr;
    order_.clear();
    if (error_)
        std::rethrow_exception(error_);
    if (cancelled_)
        throw RecognitionCancelled();

    std::vector<std::vector<EngineLine>> lines;
    lines.reserve(tasks.size());
    for (const size_t index : sameAs)
        lines.push_back(read_[index]);
    return lines;
}

} // namespace lumbex
