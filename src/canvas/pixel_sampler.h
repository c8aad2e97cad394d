#pragma once

#include "canvas/rendering.h"
#include "core/latest_work.h"

#include <QObject>
#include <QThreadPool>
#include <optional>

namespace lumbex {

// The composed colour (and, when asked, the loupe) at one source point.
struct PixelInspection {
    Point point;
    std::optional<QColor> color;
    std::optional<PixelLoupe> loupe;
};

// Samples the composition off the GUI thread, one request at a time on its own thread
// ("design.omek.lumbex.pixel-inspection"). Only the latest request counts: the requests a moving
// pointer makes while one runs are skipped except the last, and a result is delivered (on the
// owner's thread) only while its request is the latest.
class PixelSampler : public QObject {
    Q_OBJECT
public:
    explicit PixelSampler(QObject* parent = nullptr);
    // Waits for a running inspection; its result is dropped.
    ~PixelSampler() override;

    // The inputs are copied (images are shared, not duplicated).
    void inspect(const QImage& original, const Media& media, const std::vector<Mark>& marks,
                 const MarkNumbers& numbers, Point at, bool withLoupe);
    // Makes every earlier request stale.
    void cancel();

signals:
    void inspected(const lumbex::PixelInspection& inspection);

private:
    // Declared before the work, so that it ends after it: only the running request is waited for.
    QThreadPool pool_;
    LatestWork sampling_{this, &pool_};
};

} // namespace lumbex
