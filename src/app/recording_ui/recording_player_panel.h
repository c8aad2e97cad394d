#pragma once

#include "recording/recording_player.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

namespace lumbex {

// The picture of a recording player, scaled to fit and centred on black.
class RecordingVideoView : public QWidget {
    Q_OBJECT
public:
    explicit RecordingVideoView(const RecordingPlayer& player, QWidget* parent = nullptr);

    // Where the picture is drawn, in widget pixels; empty while there is none.
    QRectF pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const RecordingPlayer& player_;
};

// A recording player with its picture, Play/Pause, a position slider in output time and the
// clock of the source time shown.
class RecordingPlayerPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecordingPlayerPanel(QWidget* parent = nullptr);

    RecordingPlayer& player() { return player_; }
    RecordingVideoView* video() const { return video_; }
    QPushButton* playButton() const { return play_; }
    QSlider* slider() const { return slider_; }
    QLabel* clock() const { return clock_; }

private:
    void refresh();

    RecordingPlayer player_;
    RecordingVideoView* video_;
    QPushButton* play_;
    QSlider* slider_;
    QLabel* clock_;
};

} // namespace lumbex
