#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace lumbex {

class NoteDocument;

// Holds a window's close back until its note is saved, without blocking the window: a close
// that must wait is refused while the save runs and tried again once it has succeeded. A failed
// save shows its message and leaves the window open, so that no edit is lost unseen.
class CloseAfterSave : public QObject {
    Q_OBJECT
public:
    CloseAfterSave(QWidget& window, NoteDocument& document,
                   std::function<void(const QString& message)> showFailure);

    // Whether the window may close now: the note is saved as it is. Otherwise a save starts (or
    // the one under way is awaited) and the answer is false.
    bool mayClose();

signals:
    // The save a close waited for failed; the window stays open.
    void failed(const QString& message);

private:
    void saveEnded(const std::optional<QString>& error);

    QWidget& window_;
    NoteDocument& document_;
    std::function<void(const QString&)> showFailure_;
    bool waiting_ = false;
    bool allowed_ = false;
    // Set while saveCheckpoint runs: a save with nothing to write ends within the call.
    bool starting_ = false;
    std::optional<std::optional<QString>> endedAtOnce_;
};

} // namespace lumbex
