#pragma once

#include <QWidget>
#include <optional>

namespace lumbex {

// A layer over the recording's picture on which a rectangle is dragged for a crop or a
// redaction. It lets the mouse through while no tool is on.
class RecordingSelectionLayer : public QWidget {
    Q_OBJECT
public:
    explicit RecordingSelectionLayer(QWidget* parent);

    // Takes drags (true) or lets the mouse through to the picture.
    void setActive(bool active);
    bool isActive() const { return active_; }
    // A rectangle shown as kept, the rest of the picture dimmed (the crop while cropping); none
    // hides it.
    void setOutline(std::optional<QRectF> outline);
    std::optional<QRectF> outline() const { return outline_; }

signals:
    // A finished drag, in this widget's pixels.
    void dragged(QPointF from, QPointF to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_ = false;
    bool dragging_ = false;
    QPointF from_;
    QPointF to_;
    std::optional<QRectF> outline_;
};

} // namespace lumbex
