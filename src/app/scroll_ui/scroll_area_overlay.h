#pragma once

#include "capture/capture_picker_logic.h"

#include <QImage>
#include <QWidget>

namespace lumbex {

// The scrolling capture's area picker: a frameless window over the whole desktop showing a frozen
// picture of it, in which the user drags the scrolling area. Events go to the picker's logic in
// its scrolling variant (area only), which calls the completion once, with the area or with
// nothing (Escape). Without a compositor a translucent window would be black, hence the frozen
// picture.
class ScrollAreaOverlay : public QWidget {
    Q_OBJECT
public:
    // `desktop` shows the desktop whose top left corner is `origin`; `displays` are the displays
    // it covers.
    ScrollAreaOverlay(QImage desktop, QPoint origin, std::vector<CaptureDisplay> displays,
                      CapturePickerLogic::Completion completion, std::function<void()> beep);

    // Shows the overlay, takes the keyboard and places the pointer's readout.
    void present();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Point desktopPoint(const QPointF& local) const;
    void paintReadout(QPainter& painter);

    QImage desktop_;
    CapturePickerLogic logic_;
};

} // namespace lumbex
