#pragma once

#include <QObject>
#include <functional>

namespace lumbex {

// Stops the global shortcuts while any modal dialog of the application runs (Capture Options,
// Capture After Delay, the shortcut dialogs, alerts, file choosers, the editor's sheets) and
// starts them again once the last one has closed. A shortcut pressed meanwhile would start a
// capture behind the dialog, and the shortcut dialogs need the keys free to record them.
//
// It watches every window of the application being shown or hidden, so that a dialog added later
// needs nothing of its own.
class ModalPause : public QObject {
    Q_OBJECT
public:
    ModalPause(std::function<void()> pause, std::function<void()> resume,
               QObject* parent = nullptr);
    ~ModalPause() override;

    bool isPaused() const { return paused_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    std::function<void()> pause_;
    std::function<void()> resume_;
    bool paused_ = false;
    bool updateQueued_ = false;
};

} // namespace lumbex
