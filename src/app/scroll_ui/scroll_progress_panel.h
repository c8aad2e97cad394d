#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace lumbex {

class ScrollingCaptureSession;

// The small floating window of a running scrolling capture: the last joined frame, what to do,
// the frames joined and the height so far, and Finish (Keep Partial), Start Again and Cancel
// (Discard). It shows what the session's panel state says and forwards the buttons; closing it
// acts as Cancel. It stays above other windows and never takes the keyboard from the page being
// scrolled.
class ScrollProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit ScrollProgressPanel(ScrollingCaptureSession& session, QWidget* parent = nullptr);

    // Reads the session's panel state again.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ScrollingCaptureSession& session_;
    QLabel* preview_;
    QLabel* detail_;
    QLabel* progress_;
    QPushButton* finish_;
    QPushButton* retry_;
    QPushButton* cancel_;
};

} // namespace lumbex
