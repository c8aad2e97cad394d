#pragma once

#include "recording/recording_controller.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace lumbex {

// The floating "Screen Recording" panel: the clock, Pause (Resume) and Stop; or, while the
// microphone is checked, "Waiting for microphone access…" with Cancel. Shown on top of everything
// without taking the focus from the application being recorded.
class RecordingControlPanel : public QWidget, public RecordingPanel {
    Q_OBJECT
public:
    RecordingControlPanel(std::function<void()> togglePause, std::function<void()> stop);

    void showWaiting(std::function<void()> cancel) override;
    void show(const State& state) override;
    void close() override;

    QString clockText() const;

private:
    void placeOnScreen();

    QLabel* clock_;
    QPushButton* pause_;
    QPushButton* stop_;
    QPushButton* cancel_;
    std::function<void()> cancelWaiting_;
};

} // namespace lumbex
