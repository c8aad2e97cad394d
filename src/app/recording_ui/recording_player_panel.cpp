#include "app/recording_ui/recording_player_panel.h"

#include "records/recording_time.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

namespace lumbex {
namespace {

// The slider counts milliseconds: microseconds overflow its int after 35 minutes.
constexpr qint64 kSliderUnit = 1000;

} // namespace

RecordingVideoView::RecordingVideoView(const RecordingPlayer& player, QWidget* parent)
    : QWidget(parent), player_(player) {
    setMinimumSize(160, 90);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(tr("Recording preview"));
    connect(&player, &RecordingPlayer::pictureChanged, this, qOverload<>(&QWidget::update));
}

QRectF RecordingVideoView::pictureRect() const {
    const QImage& picture = player_.picture();
    if (picture.isNull())
        return {};
    const QSizeF fitted = QSizeF(picture.size()).scaled(size(), Qt::KeepAspectRatio);
    return {QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

void RecordingVideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (player_.picture().isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureRect(), player_.picture());
}

RecordingPlayerPanel::RecordingPlayerPanel(QWidget* parent)
    : QWidget(parent), video_(new RecordingVideoView(player_, this)), play_(new QPushButton(this)),
      slider_(new QSlider(Qt::Horizontal, this)), clock_(new QLabel(this)) {
    slider_->setAccessibleName(tr("Playback position"));
    clock_->setAccessibleName(tr("Playback time"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(play_);
    controls->addWidget(slider_, 1);
    controls->addWidget(clock_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(video_, 1);
    layout->addLayout(controls);

    connect(play_, &QPushButton::clicked, this,
            [this] { player_.isPlaying() ? player_.pause() : player_.play(); });
    connect(slider_, &QSlider::sliderMoved, this,
            [this](int value) { player_.seek(qint64(value) * kSliderUnit); });
    connect(slider_, &QSlider::actionTriggered, this, [this] {
        // Keys and clicks on the groove move the slider without a drag.
        if (!slider_->isSliderDown())
            player_.seek(qint64(slider_->sliderPosition()) * kSliderUnit);
    });
    connect(&player_, &RecordingPlayer::positionChanged, this, &RecordingPlayerPanel::refresh);
    connect(&player_, &RecordingPlayer::playingChanged, this, &RecordingPlayerPanel::refresh);
    connect(&player_, &RecordingPlayer::pictureChanged, this, &RecordingPlayerPanel::refresh);
    refresh();
}

void RecordingPlayerPanel::refresh() {
    play_->setText(player_.isPlaying() ? tr("Pause") : tr("Play"));
    play_->setEnabled(player_.composition() != nullptr);
    slider_->setEnabled(player_.composition() != nullptr);
    slider_->setRange(0, int(player_.duration() / kSliderUnit));
    if (!slider_->isSliderDown())
        slider_->setValue(int(player_.position() / kSliderUnit));
    clock_->setText(recordingTimeLabel(player_.sourcePosition()));
}

} // namespace lumbex
