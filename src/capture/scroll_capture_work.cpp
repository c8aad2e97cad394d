#include "capture/scroll_capture_work.h"

#include "core/error.h"
#include "core/files.h"
#include "model/fast_png.h"
#include "model/image_files.h"

namespace lumbex {
namespace {

const QString kJoining = QStringLiteral("join this frame");
const QString kSaving = QStringLiteral("save the scroll capture");

ScrollCaptureWork::Rendered renderStitcher(ScrollStitcher& stitcher,
                                           const std::optional<QImage>& unmatched) {
    if (unmatched)
        stitcher.preserveUnmatched(*unmatched);
    QByteArray png = FastPng::encode(stitcher.render());
    return {stitcher, std::move(png), {}};
}

// A failed rendering is a result without a stitcher.
ScrollCaptureWork::Rendered rendered(const WorkOutcome<ScrollCaptureWork::Rendered>& outcome) {
    if (const LumbexError* error = outcome.error())
        return {std::nullopt, {}, error->message()};
    return outcome.value();
}

} // namespace

ScrollCaptureWork::ScrollCaptureWork(QObject* receiver) : attempt_(receiver, &pool_) {
    pool_.setMaxThreadCount(1);
    reset();
}

void ScrollCaptureWork::reset() {
    attempt_.drop();
    stitcher_ = std::make_shared<ScrollStitcher>();
}

void ScrollCaptureWork::append(QImage frame, std::function<void(const Appended&)> done) {
    appendLoaded([frame = std::move(frame)] { return frame; }, std::move(done));
}

void ScrollCaptureWork::appendFile(QString path, std::function<void(const Appended&)> done) {
    appendLoaded(
        [path = std::move(path)] { return ImageFiles::image(ImageFiles::readImageFile(path)); },
        std::move(done));
}

void ScrollCaptureWork::appendLoaded(std::function<QImage()> load,
                                     std::function<void(const Appended&)> done) {
    // A frame the stitcher refuses is a result too: the session keeps it as the unmatched one.
    const auto join = [stitcher = stitcher_, load = std::move(load)] {
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
        return result;
    };
    attempt_.run(kJoining, join, [done = std::move(done)](const WorkOutcome<Appended>& outcome) {
        if (const LumbexError* error = outcome.error()) {
            Appended refused;
            refused.error = error->message();
            return done(refused);
        }
        done(outcome.value());
    });
}

void ScrollCaptureWork::render(std::optional<QImage> unmatched,
                               std::function<void(const Rendered&)> done) {
    attempt_.run(
        kSaving,
        [stitcher = stitcher_, unmatched = std::move(unmatched)] {
            return renderStitcher(*stitcher, unmatched);
        },
        [done = std::move(done)](const WorkOutcome<Rendered>& outcome) {
            done(rendered(outcome));
        });
}

void ScrollCaptureWork::waitForDone() {
    pool_.waitForDone();
}

ScrollCaptureWork::Rendered ScrollCaptureWork::renderNow(std::optional<QImage> unmatched) {
    pool_.waitForDone();
    auto render = [this, &unmatched] { return renderStitcher(*stitcher_, unmatched); };
    return rendered(outcomeOf(kSaving, render));
}

} // namespace lumbex
