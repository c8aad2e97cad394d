#pragma once

#include "core/latest_work.h"
#include "request/handoff.h"
#include "request/request_plan.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace lumbex {

class HandoffSettings;

// What the editor shows when a preparation's result comes back: the result only counts when it
// still belongs to these.
struct RequestContext {
    CaptureNote note;
    Id activeImage;
    std::optional<QString> folder;
};

// The state behind "Copy for Agent", without a window: one preparation at a time (a new one drops
// the outcome of the last), the reuse of an unchanged earlier request, and the checks that drop a
// result the user has moved past. The window wires the signals to its status line, clipboard and
// toast.
class HandoffController : public QObject {
    Q_OBJECT

public:
    HandoffController(HandoffSettings& settings, std::function<RequestContext()> currentContext,
                      QObject* parent = nullptr);

    bool isPreparing() const { return preparation_.isPending(); }
    const std::optional<HandoffResult>& lastHandoff() const { return lastHandoff_; }

    // Prepares the plan's request folder off the GUI thread (or hands out the previous folder of an
    // unchanged note when its files still verify). `clipboardChangeCount` is passed back with the
    // result so that the window can tell whether someone else wrote to the clipboard meanwhile.
    void start(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
               const QString& folder, const Id& activeImage, quint64 clipboardChangeCount);
    // A preparation in flight will end with "Notes changed. Copy again.", an Outdated failure (new
    // folder, closing window).
    void invalidate();
    // The last request stored for the note, for "Show Last Prepared Files" after a restart.
    void restoreLastHandoff(const Id& noteID);

signals:
    void statusChanged(const QString& message);
    void prepared(const lumbex::HandoffResult& result, quint64 clipboardChangeCount);
    void failed(const lumbex::LumbexError& error);

private:
    void finish(const WorkOutcome<HandoffResult>& outcome, const RequestPlan& plan,
                const QString& folder, const Id& activeImage, const QString& key,
                quint64 clipboardChangeCount);

    HandoffSettings& settings_;
    std::function<RequestContext()> currentContext_;
    // Set by invalidate() while a preparation runs; the next start clears it.
    bool intentChanged_ = false;
    std::optional<HandoffResult> lastHandoff_;
    QString lastKey_;
    LatestWork preparation_{this};
};

} // namespace lumbex
