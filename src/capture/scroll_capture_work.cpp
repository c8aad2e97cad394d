#include "capture/scroll_capture_work.h"

#include "core/error.h"
#include "core/files.h"
#include "model/fast_png.h"
#include "model/image_files.h"

namespace lumbex {
namespace {

ScrollCaptureWork::Rendered renderStitcher(ScrollStitcher& stitcher,
                                           const std::optional<QImage>& unmatched) {
    try {
        if (unmatched)
            stitcher.preserveUnmatched(*unmatched);
        QByteArray png = FastPng::encode(stitcher.render());
        return {stitcher, std::move(png), {}};
    } catch (const LumbexError& error) {
        return {std::nullopt, {}, error.message()};
    }
}

} // namespace

ScrollCaptureWork::ScrollCaptureWork(QObject* receiver) : receiver_(receiver) {
    pool_.setMaxThreadCount(1);
    reset();
}

ScrollCaptureWork::~ScrollCaptureWork() {
    pool_.waitForDone();
}

void ScrollCaptureWork::reset() {
    *attempt_ = newId();
    stitcher_ = std::make_shared<ScrollStitcher>();
}

template <typename Result>
std::function<void(Result)>
ScrollCaptureWork::delivery(std::function<void(const Result&)> done) const {
    return [receiver = receiver_, current = attempt_, attempt = *attempt_,
            done = std::move(done)](Result result) {
        QMetaObject::invokeMethod(
            receiver,
            [current, attempt, done, result = std::move(result)] {
                if (*current == attempt)
                    done(result);
            },
            Qt::QueuedConnection);
    };
}

void ScrollCaptureWork::append(QImage frame, std::function<void(const Appended&)> done) {
    appendLoaded([frame = std::move(frame)] { return frame; }, std::move(done));
}

void ScrollCaptureWork::appendFile(QString path, std::function<void(const Appended&)> done) {
    appendLoaded([path = std::move(path)] { return ImageFiles::image(ImageFiles::readImageFile(path)); },
                 std::move(done));
}

void ScrollCaptureWork::appendLoaded(std::function<QImage()> load,
                                     std::function<void(const Appended&)> done) {
    pool_.start([stitcher = stitcher_, load = std::move(load),
                 deliver = delivery<Appended>(std::move(done))] {
        Appended result;
        try {
            result.frame = load();
            result.update = stitcher->append(result.frame);
        } catch (const LumbexError& error) {
            result.error = error.message();
        }
        result.joinedCount = stitcher->joinedCount();
        result.width = stitcher->width();
        result.height = stitcher->height();
        deliver(std::move(result));
    });
}

void ScrollCaptureWork::render(std::optional<QImage> unmatched,
                               std::function<void(const Rendered&)> done) {
    pool_.start([stitcher = stitcher_, unmatched = std::move(unmatched),
                 deliver = delivery<Rendered>(std::move(done))] {
        deliver(renderStitcher(*stitcher, unmatched));
    });
}

void ScrollCaptureWork::waitForDone() {
    pool_.waitForDone();
}

ScrollCaptureWork::Rendered ScrollCaptureWork::renderNow(std::optional<QImage> unmatched) {
    pool_.waitForDone();
    return renderStitcher(*stitcher_, unmatched);
}

} // namespace lumbex
