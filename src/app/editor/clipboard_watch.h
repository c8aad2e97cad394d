#pragma once

#include <QObject>

namespace lumbex {

// The clipboard has no change count on X11: this one counts every change of the system clipboard
// seen since the application started, so that a request or image prepared off the GUI thread can
// tell whether someone else wrote to the clipboard meanwhile. One per application.
class ClipboardWatch : public QObject {
    Q_OBJECT
public:
    explicit ClipboardWatch(QObject* parent = nullptr);
    quint64 changeCount() const { return changeCount_; }

private:
    quint64 changeCount_ = 0;
};

} // namespace lumbex
