#include "app/recording_ui/recording_control_panel.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace lumbex {

RecordingControlPanel::RecordingControlPanel(std::function<void()> togglePause,
                                             std::function<void()> stop)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      clock_(new QLabel(this)), pause_(new QPushButton(QStringLiteral("Pause"), this)),
      stop_(new QPushButton(QStringLiteral("Stop"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QStringLiteral("Screen Recording"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(400, 78);
    // Digits of one width keep the clock from jittering as it runs.
    clock_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cancel_->setAccessibleName(QStringLiteral("Cancel microphone permission request"));
    for (QPushButton* button : {pause_, stop_, cancel_})
        button->setFocusPolicy(Qt::NoFocus);
    connect(pause_, &QPushButton::clicked, this, std::move(togglePause));
    connect(stop_, &QPushButton::clicked, this, std::move(stop));
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (const auto cancel = std::exchange(cancelWaiting_, nullptr))
            cancel();
    });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(clock_, 1);
    layout->addWidget(pause_);
    layout->addWidget(stop_);
    layout->addWidget(cancel_);
}

void RecordingControlPanel::showWaiting(std::function<void()> cancel) {
    cancelWaiting_ = std::move(cancel);
    clock_->setText(QStringLiteral("Waiting for microphone access…"));
    clock_->setToolTip({});
    pause_->hide();
    stop_->hide();
    cancel_->show();
    placeOnScreen();
    QWidget::show();
}

void RecordingControlPanel::show(const State& state) {
    cancelWaiting_ = nullptr;
    cancel_->hide();
    pause_->show();
    stop_->show();
    clock_->setText(state.clock);
    clock_->setToolTip(state.tooltip);
    pause_->setText(state.paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    pause_->setEnabled(state.pauseEnabled);
    stop_->setEnabled(state.stopEnabled);
    if (!isVisible()) {
        placeOnScreen();
        QWidget::show();
    }
}

void RecordingControlPanel::close() {
    cancelWaiting_ = nullptr;
    hide();
}

QString RecordingControlPanel::clockText() const {
    return clock_->text();
}

void RecordingControlPanel::keepClearOf(const Rect& recorded) {
    recorded_ = QRect(int(recorded.x), int(recorded.y), int(recorded.width), int(recorded.height));
    placeOnScreen();
}

void RecordingControlPanel::placeOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(panelPlace(frameGeometry().size(), screen->availableGeometry(), recorded_));
}

QPoint panelPlace(QSize size, const QRect& area, const QRect& recorded) {
    constexpr int kMargin = 24;
    const int centre = area.x() + (area.width() - size.width()) / 2;
    const int left = area.x() + kMargin;
    const int right = area.x() + area.width() - kMargin - size.width();
    const int top = area.y() + kMargin;
    const int bottom = area.y() + area.height() - kMargin - size.height();
    for (const QPoint place : {QPoint(centre, top), QPoint(centre, bottom), QPoint(left, top),
                               QPoint(right, top), QPoint(left, bottom), QPoint(right, bottom)})
        if (!QRect(place, size).intersects(recorded))
            return place;
    return {centre, top};
}

} // namespace lumbex
