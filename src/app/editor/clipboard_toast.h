#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QPushButton;
class QScreen;

namespace lumbex {

// The small confirmation that a file went to the clipboard: shown without taking focus near the
// bottom-right corner of a screen, above other windows, for a few seconds. Showing it again
// replaces the previous one and restarts the timer.
class ClipboardToast : public QWidget {
    Q_OBJECT
public:
    static void show(const QString& file, QScreen* screen, int durationMs = 6000);
    // The toast on screen now, if any (for tests and scripts).
    static ClipboardToast* current();
    const QString& file() const { return file_; }

private:
    ClipboardToast();
    void present(const QString& file, QScreen* screen, int durationMs);

    QString file_;
    QTimer dismissTimer_;
    QPushButton* revealButton_;
};

} // namespace lumbex
