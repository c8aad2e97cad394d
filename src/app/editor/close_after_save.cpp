#include "app/editor/close_after_save.h"

#include "model/note_document.h"

#include <QPointer>
#include <QWidget>

namespace lumbex {

CloseAfterSave::CloseAfterSave(QWidget& window, NoteDocument& document,
                               std::function<void(const QString& message)> showFailure)
    : QObject(&window), window_(window), document_(document), showFailure_(std::move(showFailure)) {
}

bool CloseAfterSave::mayClose() {
    // A window already allowed to close may be asked again before it is gone; its note is closed.
    if (allowed_)
        return true;
    if (waiting_)
        return false;
    waiting_ = true;
    starting_ = true;
    QPointer<CloseAfterSave> self(this);
    document_.saveCheckpoint([self](const std::optional<QString>& error) {
        if (self)
            self->saveEnded(error);
    });
    starting_ = false;
    if (!endedAtOnce_)
        return false;
    const std::optional<QString> error = *std::exchange(endedAtOnce_, std::nullopt);
    if (!error)
        return allowed_ = true;
    showFailure_(*error);
    emit failed(*error);
    return false;
}

void CloseAfterSave::saveEnded(const std::optional<QString>& error) {
    waiting_ = false;
    if (starting_) {
        endedAtOnce_ = error;
        return;
    }
    if (error) {
        showFailure_(*error);
        emit failed(*error);
        return;
    }
    // Closing again asks once more: a change made meanwhile is saved before the window goes.
    QMetaObject::invokeMethod(
        &window_, [window = &window_] { window->close(); }, Qt::QueuedConnection);
}

} // namespace lumbex
