#pragma once

#include "request/handoff_controller.h"
#include "request/handoff_settings.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace lumbex {

class ClipboardWatch;
class NoteDocument;

// "Copy for Agent" of one editor window: the project folder (chooser, reconnecting, the folder for
// new notes), the preview, the preparation through HandoffController, the clipboard text with
// its change check, and "Show Last Prepared Files". Reports what the person should read through
// onStatus (with the note it was shown for, when the message belongs to that content) and onError.
class RequestFlow : public QObject {
    Q_OBJECT
public:
    RequestFlow(NoteDocument& document, QSettings& settings, ClipboardWatch& clipboard,
                std::function<Id()> activeImage, QWidget* window);

    HandoffController& controller() { return controller_; }
    std::optional<QString> destination() const;
    bool destinationIsBroken() const;
    // Stores (or with none, forgets) the note's project folder; a preparation in flight will
    // report "Notes changed. Copy again.".
    void setDestination(const std::optional<QString>& folder);

    void copyForAgent();
    void chooseDestination(std::function<void()> completion = {});
    void reviewRequest();
    void showLastPreparedFiles();

    std::function<void(const QString& message, const std::optional<CaptureNote>& content)> onStatus;
    std::function<void(const QString& message)> onError;
    std::function<void()> onRefresh;
    // Ends typing in the window's fields before the note is read.
    std::function<void()> commitEditing;

private:
    void finishCopy(const HandoffResult& result, quint64 clipboardChangeCount);

    NoteDocument& document_;
    HandoffSettings handoffSettings_;
    ClipboardWatch& clipboard_;
    std::function<Id()> activeImage_;
    QPointer<QWidget> window_;
    HandoffController controller_;
};

} // namespace lumbex
