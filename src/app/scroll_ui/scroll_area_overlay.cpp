#include "app/scroll_ui/scroll_area_overlay.h"

#include "canvas/qt_geometry.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumbex {
namespace {

CapturePickerLogic::Options scrollingOptions() {
    CapturePickerLogic::Options options;
    options.scrolling = true;
    return options;
}

} // namespace

ScrollAreaOverlay::ScrollAreaOverlay(QImage desktop, QPoint origin,
                                     std::vector<CaptureDisplay> displays,
                                     CapturePickerLogic::Completion completion,
                                     std::function<void()> beep)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint),
      desktop_(std::move(desktop)),
      logic_(std::move(displays), {}, scrollingOptions(), std::move(completion), std::move(beep)) {
    setWindowTitle(QStringLiteral("Scrolling Capture Area"));
    setGeometry(QRect(origin, desktop_.size()));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

void ScrollAreaOverlay::present() {
    show();
    activateWindow();
    grabKeyboard();
    const QPoint pointer = QCursor::pos();
    logic_.start({double(pointer.x()), double(pointer.y())});
}

Point ScrollAreaOverlay::desktopPoint(const QPointF& local) const {
    const QPointF p = local + QPointF(geometry().topLeft());
    return {p.x(), p.y()};
}

void ScrollAreaOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, desktop_);
    const QPointF origin = geometry().topLeft();
    QPainterPath shade;
    shade.addRect(rect());
    if (const std::optional<Rect> selection = logic_.visibleSelection()) {
        const QRectF area = toQt(*selection).translated(-origin);
        shade.addRect(area);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(area.adjusted(-1, -1, 0, 0));
    }
    painter.fillPath(shade, QColor(0, 0, 0, 90));
    paintReadout(painter);
}

void ScrollAreaOverlay::paintReadout(QPainter& painter) {
    const std::optional<Point> pointer = logic_.pointerLocation();
    const QString prompt = logic_.instruction();
    const QFontMetrics metrics(font());
    const QRect promptBox = metrics.boundingRect(QRect(0, 0, 600, 200), Qt::AlignCenter, prompt)
                                .adjusted(-12, -8, 12, 8);
    const QRect promptPlace(QPoint((width() - promptBox.width()) / 2, 24), promptBox.size());
    painter.fillRect(promptPlace, QColor(0, 0, 0, 200));
    painter.setPen(Qt::white);
    painter.drawText(promptPlace, Qt::AlignCenter, prompt);
    if (!pointer)
        return;
    const QString readout = logic_.readout();
    const QRect box =
        metrics.boundingRect(QRect(0, 0, 400, 100), Qt::AlignLeft, readout).adjusted(-6, -4, 6, 4);
    const QPointF local = QPointF(pointer->x, pointer->y) - QPointF(geometry().topLeft());
    const Rect place =
        readoutBoxPlacement({local.x(), local.y()}, box.width(), box.height(), width(), height());
    const QRectF placed = toQt(place);
    painter.fillRect(placed, QColor(0, 0, 0, 200));
    painter.drawText(placed, Qt::AlignCenter, readout);
}

void ScrollAreaOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        logic_.begin(desktopPoint(event->position()));
    update();
}

void ScrollAreaOverlay::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        logic_.drag(desktopPoint(event->position()));
    else
        logic_.move(desktopPoint(event->position()));
    update();
}

void ScrollAreaOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        logic_.end(desktopPoint(event->position()));
    update();
}

void ScrollAreaOverlay::keyPressEvent(QKeyEvent* event) {
    const QPoint pointer = QCursor::pos();
    logic_.key(CapturePickerLogic::keyFromQt(event->key()), event->modifiers() & Qt::ShiftModifier,
               event->modifiers() & Qt::AltModifier, {double(pointer.x()), double(pointer.y())});
    update();
}

} // namespace lumbex
