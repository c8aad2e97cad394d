#include "app/capture_ui/draggable_image_view.h"

#include "core/error.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QUrl>

namespace lumbex {

DraggableImageView::DraggableImageView(QImage image, std::function<QString()> prepareFile,
                                       QWidget* parent)
    : QWidget(parent), image_(std::move(image)), prepareFile_(std::move(prepareFile)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::OpenHandCursor);
}

void DraggableImageView::paintEvent(QPaintEvent*) {
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    painter.drawImage(target, image_);
}

void DraggableImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressedAt_ = event->position().toPoint();
}

void DraggableImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedAt_ || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - *pressedAt_).manhattanLength() <
            QApplication::startDragDistance())
        return;
    pressedAt_.reset();
    QString file;
    try {
        file = prepareFile_();
    } catch (const LumbexError& error) {
        QToolTip::showText(event->globalPosition().toPoint(), error.message(), this);
        return;
    }
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(
        image_.scaled(QSize(160, 160), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction);
}

} // namespace lumbex
