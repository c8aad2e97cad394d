#pragma once

#include "platform/qr_reader.h"
#include "platform/text_engine.h"

#include <QSize>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumbex::test {

// A text engine that reads "alpha beta" across every image it is given (its left half "alpha",
// its right half "beta"), adds the size of each image to `sizes` when given, and can hold each
// read until it is cancelled.
class FakeTextEngine : public TextEngine {
public:
    explicit FakeTextEngine(bool holdUntilCancelled = false, std::vector<QSize>* sizes = nullptr)
        : hold_(holdUntilCancelled), sizes_(sizes) {}

    std::vector<EngineLine> read(const QImage& image, PageLayout, ReadingLanguages) override {
        std::unique_lock lock(mutex_);
        if (sizes_) {
            // Engines of one reading share the list from their own threads.
            static std::mutex sizesLock;
            const std::lock_guard guard(sizesLock);
            sizes_->push_back(image.size());
        }
        reading = true;
        if (hold_)
            wake_.wait_for(lock, std::chrono::seconds(20), [this] { return cancelled_; });
        if (cancelled_)
            throw RecognitionCancelled();
        const int w = image.width(), h = image.height();
        return {{QStringLiteral("alpha beta"),
                 QRect(0, 0, w, h),
                 {{QStringLiteral("alpha"), QRect(0, 0, w / 2, h)},
                  {QStringLiteral("beta"), QRect(w / 2, 0, w - w / 2, h)}}}};
    }
    void cancel() override {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
        wake_.notify_all();
    }
    void resume() override {
        const std::lock_guard lock(mutex_);
        cancelled_ = false;
    }

    std::atomic<bool> reading = false;

private:
    bool hold_;
    std::vector<QSize>* sizes_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool cancelled_ = false;
};

class FakeQrReader : public QrReader {
public:
    explicit FakeQrReader(std::vector<QString> payloads) : payloads_(std::move(payloads)) {}
    std::vector<QString> read(const QImage&) override { return payloads_; }

private:
    std::vector<QString> payloads_;
};

} // namespace lumbex::test
