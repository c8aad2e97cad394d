#pragma once

#include "canvas/rendering.h"

#include <QObject>
#include <QThreadPool>
#include <optional>

namespace lumbex {

// The composed colour (and, when asked, the loupe) at one source point.
struct PixelInspection {
    quint64 attempt = 0;
    Point point;
    std::optional<QColor> color;
    std::optional<PixelLoupe> loupe;
};

// Samples the composition off the GUI thread, one request at a time on its own thread
// ("design.omek.lumbex.pixel-inspection"). A request made while another runs replaces any request
// still waiting, so a moving pointer never builds a queue. Every request gets an attempt number;
// a result is delivered (on the owner's thread) only while its attempt is the latest.
class PixelSampler : public QObject {
    Q_OBJECT
public:
    explicit PixelSampler(QObject* parent = nullptr);
    // Waits for a running inspection; its result is dropped.
    ~PixelSampler() override;

    // The inputs are copied (images are shared, not duplicated). Returns the new attempt number.
    quint64 inspect(const QImage& original, const Media& media, const std::vector<Mark>& marks,
                    const MarkNumbers& numbers, Point at, bool withLoupe);
    // Makes every earlier attempt stale.
    void cancel();
    quint64 currentAttempt() const { return attempt_; }

signals:
    void inspected(const lumbex::PixelInspection& inspection);

private:
    struct Request {
        quint64 attempt = 0;
        QImage original;
        Media media;
        std::vector<Mark> marks;
        MarkNumbers numbers;
        Point at;
        bool withLoupe = false;
    };
    void startNext();
    void finished(const PixelInspection& inspection);

    QThreadPool pool_;
    std::optional<Request> waiting_;
    bool running_ = false;
    quint64 attempt_ = 0;
};

} // namespace lumbex
