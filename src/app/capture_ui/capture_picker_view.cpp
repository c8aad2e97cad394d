#include "app/capture_ui/capture_picker_view.h"

#include "canvas/qt_geometry.h"
#include "capture/capture_picker_logic.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace lumbex {
namespace {

using Key = CapturePickerLogic::Key;

QFont readoutFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(11);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

CapturePickerView::CapturePickerView(std::shared_ptr<CapturePickerLogic> logic,
                                     const CaptureDisplay& display, QImage frozen,
                                     std::function<QPoint()> pointer, std::function<void()> changed)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      logic_(std::move(logic)), display_(display), frozen_(std::move(frozen)),
      pointer_(std::move(pointer)), changed_(std::move(changed)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Choose Capture Area"));
    setAccessibleName(QStringLiteral("Capture area selector"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    const Rect& frame = display_.cocoaFrame;
    setGeometry(QRect(int(frame.x), int(frame.y), int(frame.width), int(frame.height)));
}

void CapturePickerView::refresh() {
    setAccessibleDescription(logic_->readout() + QLatin1Char('\n') + logic_->instruction());
    update();
}

QSizeF CapturePickerView::desktopPerViewPoint() const {
    if (width() <= 0 || height() <= 0)
        return {1, 1};
    return {display_.cocoaFrame.width / width(), display_.cocoaFrame.height / height()};
}

Point CapturePickerView::desktopPoint(const QPointF& local) const {
    const QSizeF scale = desktopPerViewPoint();
    return {display_.cocoaFrame.x + local.x() * scale.width(),
            display_.cocoaFrame.y + local.y() * scale.height()};
}

QPointF CapturePickerView::viewPoint(Point desktop) const {
    const QSizeF scale = desktopPerViewPoint();
    return {(desktop.x - display_.cocoaFrame.x) / scale.width(),
            (desktop.y - display_.cocoaFrame.y) / scale.height()};
}

void CapturePickerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    activateWindow();
    logic_->begin(desktopPoint(event->position()));
    changed_();
}

void CapturePickerView::mouseMoveEvent(QMouseEvent* event) {
    const Point p = desktopPoint(event->position());
    if (event->buttons() & Qt::LeftButton)
        logic_->drag(p);
    else
        logic_->move(p);
    changed_();
}

void CapturePickerView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    logic_->end(desktopPoint(event->position()));
    changed_();
}

void CapturePickerView::keyPressEvent(QKeyEvent* event) {
    const QPoint pointer = pointer_();
    const bool shift = event->modifiers() & Qt::ShiftModifier || event->key() == Qt::Key_Backtab;
    logic_->key(CapturePickerLogic::keyFromQt(event->key()), shift,
                event->modifiers() & Qt::AltModifier, {double(pointer.x()), double(pointer.y())});
    changed_();
}

void CapturePickerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), frozen_);
    if (const std::optional<Rect> visible = logic_->visibleSelection()) {
        const QRectF local(viewPoint(visible->origin()),
                           viewPoint({visible->x + visible->width, visible->y + visible->height}));
        const QRectF outline = local.adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawRect(outline);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawRect(outline);
    }
    const std::optional<Point> pointer = logic_->pointerLocation();
    if (pointer && display_.cocoaFrame.contains(*pointer)) {
        const QPointF local = viewPoint(*pointer);
        paintReadout(painter, {local.x(), local.y()});
    }
}

void CapturePickerView::paintReadout(QPainter& painter, Point pointer) {
    const QString text = logic_->readout();
    if (text.isEmpty())
        return;
    painter.setFont(readoutFont());
    const QRectF textBounds = painter.fontMetrics().boundingRect(
        QRect(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, text);
    const Rect box = readoutBoxPlacement(pointer, std::ceil(textBounds.width()) + 20,
                                         std::ceil(textBounds.height()) + 14, width(), height());
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(toQt(box), 7, 7);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.96f);
    painter.fillPath(path, fill);
    painter.setPen(QPen(palette().color(QPalette::Mid), 0.5));
    painter.drawPath(path);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(toQt(box).adjusted(10, 7, -10, -7), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace lumbex
