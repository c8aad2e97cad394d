#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

namespace lumbex {

// A picture (a pinned image, a new capture), scaled to fit and centred. Dragging it drags a file
// that `prepareFile` writes at the moment the drag starts (it throws LumbexError when it cannot).
class DraggableImageView : public QWidget {
    Q_OBJECT
public:
    DraggableImageView(QImage image, std::function<QString()> prepareFile, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
    std::function<QString()> prepareFile_;
    std::optional<QPoint> pressedAt_;
};

} // namespace lumbex
