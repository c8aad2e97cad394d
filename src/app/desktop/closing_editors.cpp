#include "app/desktop/closing_editors.h"

#include "app/editor/close_after_save.h"
#include "app/editor/editor_window.h"

#include <QObject>
#include <set>

namespace lumbex {
namespace {

// Waits for the windows that are still saving; deletes itself when the quit goes ahead or is
// cancelled.
class ClosingEditors : public QObject {
public:
    explicit ClosingEditors(std::function<void()> quit) : quit_(std::move(quit)) {}

    void close(EditorWindow* window) {
        connect(window, &QObject::destroyed, this, [this, window] { closed(window); });
        connect(&window->closeAfterSave(), &CloseAfterSave::failed, this, [this] { cancel(); });
        open_.insert(window);
        if (window->close())
            closed(window);
    }

    // Called once every window was asked: quits when none is left waiting.
    void asked() {
        asking_ = false;
        finishWhenAllClosed();
    }

private:
    void closed(EditorWindow* window) {
        open_.erase(window);
        finishWhenAllClosed();
    }
    void cancel() {
        cancelled_ = true;
        open_.clear();
        finishWhenAllClosed();
    }
    void finishWhenAllClosed() {
        if (asking_ || !open_.empty() || finished_)
            return;
        finished_ = true;
        if (!cancelled_)
            quit_();
        deleteLater();
    }

    std::function<void()> quit_;
    std::set<EditorWindow*> open_;
    bool asking_ = true;
    bool cancelled_ = false;
    bool finished_ = false;
};

} // namespace

void closeEditorsThenQuit(const QList<EditorWindow*>& windows, std::function<void()> quit) {
    auto* closing = new ClosingEditors(std::move(quit));
    for (EditorWindow* window : windows)
        closing->close(window);
    closing->asked();
}

} // namespace lumbex
