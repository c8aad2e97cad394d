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
    void keepClearOf(const Rect& recorded) override;
    void close() override;

    QString clockText() const;

private:
    void placeOnScreen();

    QLabel* clock_;
    QPushButton* pause_;
    QPushButton* stop_;
    QPushButton* cancel_;
    std::function<void()> cancelWaiting_;
    QRect recorded_;
};

// Where a panel of `size` goes on a screen's available `area`: top centre, else bottom centre,
// else a corner, whichever first stays clear of `recorded`; top centre when none does.
QPoint panelPlace(QSize size, const QRect& area, const QRect& recorded);

} // namespace lumbex
