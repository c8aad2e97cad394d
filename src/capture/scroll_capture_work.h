#pragma once

#include "capture/scroll_stitcher.h"
#include "core/latest_work.h"

#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>

namespace lumbex {

// The stitcher of one capture attempt, with every call on it run in order on one worker thread,
// so that the session's thread never waits for image comparison or PNG encoding. Results come
// back on the receiver's thread, and only while their attempt is still the current one: a result
// of an attempt that was reset is dropped.
class ScrollCaptureWork {
public:
    struct Appended {
        QImage frame;                                 // null when a file could not be read
        std::optional<ScrollStitcher::Update> update; // absent when the frame was refused
        QString error;
        int joinedCount = 0;
        int width = 0;
        qint64 height = 0;
    };
    struct Rendered {
        std::optional<ScrollStitcher> stitcher; // absent when rendering failed
        QByteArray png;                         // the stitched image at full size
        QString error;
    };

    // `receiver` owns the work and outlives it. Destroying the work waits for the frame being
    // worked on, if any.
    explicit ScrollCaptureWork(QObject* receiver);

    // A new empty stitcher under a new attempt.
    void reset();
    void append(QImage frame, std::function<void(const Appended&)> done);
    // Reads and decodes an image file on the worker, then appends it.
    void appendFile(QString path, std::function<void(const Appended&)> done);
    // Keeps `unmatched` as the unmatched last frame when given, then renders and encodes.
    void render(std::optional<QImage> unmatched, std::function<void(const Rendered&)> done);
    // Waits until every queued call has run (its result is then on its way to the receiver).
    void waitForDone();
    // `render` on the calling thread, once the queued calls have run (quitting the app).
    Rendered renderNow(std::optional<QImage> unmatched);

private:
    void appendLoaded(std::function<QImage()> load, std::function<void(const Appended&)> done);

    // Declared before the work, so that it ends after it: only the running call is waited for.
    QThreadPool pool_;
    // One attempt per stitcher: its calls all stay current until reset().
    LatestWork attempt_;
    std::shared_ptr<ScrollStitcher> stitcher_;
};

} // namespace lumbex
