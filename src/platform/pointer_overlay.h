#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

namespace lumbex {

// The pointer as the screen shows it: premultiplied ARGB, its hot spot and where that is on the
// desktop.
struct PointerPicture {
    QImage image;
    QPoint hotSpot;
    QPoint position;
    quint32 serial = 0; // changes with the shape

    QRect bounds() const { return QRect(position - hotSpot, image.size()); }
};

// What is drawn over recorded frames: the pointer and short fading rings where a button went
// down. Times are host-clock microseconds.
class PointerOverlay {
public:
    static constexpr int kRingRadius = 24;
    static constexpr int kRingWidth = 3;
    static constexpr qint64 kRingMicroseconds = 400'000;

    void setPointer(std::optional<PointerPicture> pointer) { pointer_ = std::move(pointer); }
    const std::optional<PointerPicture>& pointer() const { return pointer_; }

    void addRing(QPoint position, qint64 time) { rings_.push_back({position, time}); }
    // Forgets rings that have faded out by `now`.
    void dropFadedRings(qint64 now);
    // Whether a ring is still fading at `now` inside `area` (desktop coordinates).
    bool ringsVisible(const QRect& area, qint64 now) const;

    // Draws what is visible at `now` into `frame`, which shows `area` of the desktop.
    void draw(QImage& frame, const QRect& area, qint64 now, bool withPointer) const;

private:
    struct Ring {
        QPoint position;
        qint64 start;
    };
    static QRect ringBounds(QPoint position);

    std::optional<PointerPicture> pointer_;
    std::vector<Ring> rings_;
};

} // namespace lumbex
