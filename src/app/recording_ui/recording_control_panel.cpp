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

// Top centre of the primary screen, where it covers the least of what is usually recorded.
void RecordingControlPanel::placeOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center().x() - width() / 2, area.top() + 24);
    }
}

} // namespace lumbex
