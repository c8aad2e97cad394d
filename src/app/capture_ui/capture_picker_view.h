#pragma once

#include "capture/capture_selection.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

namespace lumbex {

class CapturePickerLogic;

// The overlay over one display: a frameless, always-on-top window exactly covering the display,
// showing a frozen grab of it (without a compositor a translucent window would paint black, and
// the frozen picture is exactly what will be captured). It forwards the pointer and the keyboard
// to the picker's logic in desktop coordinates and draws what the logic reports: the outline of
// the selection on this display and, when the pointer is here, the readout box beside it.
class CapturePickerView : public QWidget {
    Q_OBJECT
public:
    // `pointer` gives the mouse position in desktop coordinates when a key is pressed.
    CapturePickerView(std::shared_ptr<CapturePickerLogic> logic, const CaptureDisplay& display,
                      QImage frozen, std::function<QPoint()> pointer,
                      std::function<void()> changed);

    const CaptureDisplay& display() const { return display_; }
    // Sets the accessibility text to the readout and the instruction, and repaints.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Desktop pixels per point of this view: 1 on X11; on Wayland the output's logical size may
    // differ from its part of the desktop picture (an output scale below the picture's).
    QSizeF desktopPerViewPoint() const;
    Point desktopPoint(const QPointF& local) const;
    QPointF viewPoint(Point desktop) const;
    void paintReadout(QPainter& painter, Point pointer);

    // Shared so that the logic outlives a view closed from inside one of its own events.
    std::shared_ptr<CapturePickerLogic> logic_;
    CaptureDisplay display_;
    QImage frozen_;
    std::function<QPoint()> pointer_;
    std::function<void()> changed_;
};

} // namespace lumbex
