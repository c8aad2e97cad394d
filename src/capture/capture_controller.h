#pragma once

#include "capture/capture_ports.h"
#include "capture/capture_settings.h"
#include "core/latest_work.h"
#include "platform/screen_grabber.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace lumbex {

// Runs one screenshot at a time, from the command that asks for it to the delivered capture:
// hides the application's windows, lets the user pick an area or a window (or takes the main
// display or the last area), optionally counts down, reads the screen on a worker thread and
// hands the PNG to the shell. Every asynchronous step belongs to one request and does nothing
// once that request is no longer current (the screen read is dropped with it), so a cancelled or
// superseded capture never delivers. Lives on the GUI thread.
class CaptureController : public QObject {
    Q_OBJECT

public:
    enum class Mode { Area, Window, Display, LastArea };
    enum class Phase { Idle, Selecting, CountingDown, Capturing };
    static constexpr int kLongestDelay = 30;

    // Runs `step` once the hidden windows have had time to leave the screen (0.12 s in the app:
    // without a compositor, hidden windows disappear only when the server has repainted).
    using Defer = std::function<void(std::function<void()> step)>;

    // Everything must outlive the controller.
    struct Services {
        ScreenGrabber& screen;
        CapturePicker& picker;
        CaptureCountdown& countdown;
        CaptureShell& shell;
        CaptureSettings& settings;
        Defer defer;
        qint32 ownProcess = 0; // this application's windows are never offered
    };

    explicit CaptureController(Services services, QObject* parent = nullptr);
    // Waits for a screen read in progress; its result is dropped.
    ~CaptureController() override;

    // Starts a capture, or only beeps while one runs. `explain` opens the capture in an editor;
    // `editor` (when given) receives it instead; with neither it is a quick capture. `delay`
    // seconds (at most 30) are counted down after the selection.
    void capture(Mode mode, bool explain, QObject* editor = nullptr, int delay = 0);
    // Abandons the current capture; with `restore` the hidden windows come back.
    void cancel(bool restore);

    // A last area is stored and still fits the connected displays.
    bool canRepeat() const;
    bool isCapturing() const { return request_ != nullptr; }
    Phase phase() const { return phase_; }

signals:
    void phaseChanged(lumbex::CaptureController::Phase phase);

private:
    // Identity is the pointer: a step of the picker, the countdown or the pause acts only while
    // its request is the current one.
    struct Request {
        bool explain = false;
        bool wasActive = false;
        bool addsToEditor = false;
        QPointer<QObject> editor;
    };
    void begin(const std::shared_ptr<Request>& request, Mode mode, int delay,
               const std::optional<CaptureRegion>& lastRegion);
    void selected(const CaptureSelection& selection, const std::shared_ptr<Request>& request,
                  int delay);
    void take(const CaptureSelection& selection, const std::shared_ptr<Request>& request);
    void finish(const WorkOutcome<CaptureShot>& outcome, const CaptureSelection& selection,
                const std::shared_ptr<Request>& request);
    void deliver(const CaptureShot& shot, const CaptureSelection& selection,
                 const std::shared_ptr<Request>& request);
    // Ends the request and shows why, with the windows back and the application active.
    void fail(const QString& message);
    bool isCurrent(const std::shared_ptr<Request>& request) const { return request == request_; }
    bool editorVanished(const Request& request) const {
        return request.addsToEditor && !request.editor;
    }
    void setPhase(Phase phase);

    Services services_;
    std::shared_ptr<Request> request_;
    Phase phase_ = Phase::Idle;
    // The screen read of the current request; cancel() drops it.
    LatestWork reading_{this};
};

} // namespace lumbex
