#pragma once

#include "capture/capture_ports.h"

#include <QTimer>
#include <QWidget>

class QLabel;

namespace lumbex {

// The floating "Timed Capture" panel (or "Start Recording" before a recording): "Capturing in
// N…" counting whole seconds down, and a "Cancel" button. It closes by itself when the time is
// up. Shown without taking the focus from the application being captured.
class CountdownPanel : public QWidget, public CaptureCountdown {
    Q_OBJECT
public:
    enum class Purpose { Capture, Recording };
    // Milliseconds of a monotonic clock; tests give their own.
    using Clock = std::function<qint64()>;

    explicit CountdownPanel(Purpose purpose = Purpose::Capture, Clock clock = {});

    // Counts max(1, seconds) seconds from now.
    void start(int seconds, std::function<void(bool finished)> completion) override;
    void cancel() override;

    QString text() const;

private:
    void tick();
    // Closes the panel and reports `finished`, once per start.
    void end(bool finished);

    QString verb_;
    Clock clock_;
    qint64 deadline_ = 0;
    QTimer ticker_;
    QLabel* label_;
    std::function<void(bool)> completion_;
};

} // namespace lumbex
