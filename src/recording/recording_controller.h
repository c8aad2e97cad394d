#pragma once

#include "capture/capture_controller.h"
#include "capture/capture_ports.h"
#include "recording/screen_recorder.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace lumbex {

// The floating control panel of a screen recording: the clock with its tool tip, Pause (or
// Resume) and Stop. All calls come on the GUI thread.
class RecordingPanel {
public:
    struct State {
        QString clock;   // "Recording · 00:12.345"
        QString tooltip; // the journal's issue, if any
        bool paused = false;
        bool pauseEnabled = false;
        bool stopEnabled = false;
    };
    virtual ~RecordingPanel() = default;
    // "Waiting for microphone access…" with a Cancel button that calls `cancel`.
    virtual void showWaiting(std::function<void()> cancel) = 0;
    // Shows the panel in its recording form, or updates it.
    virtual void show(const State& state) = 0;
    // The recorded area in desktop coordinates: the panel stays out of it where the screen has
    // room, so that it is not recorded.
    virtual void keepClearOf(const Rect& recorded) = 0;
    virtual void close() = 0;
};

// What "Record Screen" asked for.
struct RecordingRequest {
    enum class Source { Area, Window, Display };
    Source source = Source::Area;
    int countdown = 3; // seconds
    ScreenRecordingOptions options;
};

// Runs one screen recording from "Record Screen…" to the saved note: the microphone check, the
// choice of the source, the countdown, the recorder in a new folder under the pending recordings,
// the control panel, and the note made from the folder on Stop. Every asynchronous step belongs to
// one attempt and does nothing once that attempt is over, so a cancelled attempt never starts a
// recorder. Lives on the GUI thread.
class RecordingController : public QObject {
    Q_OBJECT
public:
    static constexpr int kMicrophoneTimeoutMs = 30'000;

    // Everything must outlive the controller.
    struct Services {
        CapturePicker& picker;
        CaptureCountdown& countdown;
        CaptureShell& shell;
        RecordingPanel& panel;
        std::function<std::vector<CaptureDisplay>()> displays;
        std::function<std::vector<CaptureWindow>()> windows;
        // Whether a window is chosen in the desktop's own dialog once the recorder starts
        // (kWindowChosenInDialog) instead of in the picker; none means the picker.
        std::function<bool()> windowsChosenInDialog;
        // Opens the default microphone and closes it again, off the GUI thread; `done` runs on
        // the GUI thread with nothing when it opened, else the message. It may never run (a sound
        // server that does not answer).
        std::function<void(std::function<void(std::optional<QString>)> done)> checkMicrophone;
        // A recorder for `selection` recording into `folder`. Throws LumbexError.
        std::function<std::unique_ptr<ScreenRecorder>(const CaptureSelection& selection,
                                                      const ScreenRecordingOptions& options,
                                                      const QString& folder)>
            makeRecorder;
        // Saves the stopped recorder's folder as a note and returns its package. Throws.
        std::function<QString(const ScreenRecorder& recorder)> saveNote;
        std::function<void(const QString& package)> openNote;
        // Whether a still capture or a voice note runs, which a recording must not start beside.
        std::function<bool()> otherWorkBusy;
        CaptureController::Defer defer;
        QString pendingFolder;
        std::function<qint64()> clock;
        int microphoneTimeoutMs = kMicrophoneTimeoutMs;
    };

    explicit RecordingController(Services services, QObject* parent = nullptr);
    ~RecordingController() override;

    // "Continue" in "Record Screen": checks the microphone when asked for, then lets the user
    // choose the source. Beeps while another recording, a capture or a voice note runs.
    void begin(const RecordingRequest& request);
    // Pauses a recording recorder, or resumes a paused one.
    void togglePause();
    // "Stop Recording": cancels a selection or countdown in progress, otherwise finishes.
    void stopRecording();
    // Stops the recorder and saves the note, opening it when `show`. A failure is shown and the
    // folder stays for recovery. Returns at once when already finishing.
    void finish(bool show);

    // From "Continue" until the attempt ends.
    bool isBusy() const { return attempt_ != nullptr; }
    // A recorder exists (recording, paused, finishing or failed).
    bool hasRecorder() const { return recorder_ != nullptr; }
    bool isPaused() const;
    // The panel's state now.
    RecordingPanel::State panelState() const;

signals:
    // Busy, recording or paused changed: menus re-read their rules.
    void stateChanged();

private:
    struct Attempt {
        RecordingRequest request;
    };
    void select(const std::shared_ptr<Attempt>& attempt);
    void selected(const CaptureSelection& selection, const std::shared_ptr<Attempt>& attempt);
    void startRecorder(const CaptureSelection& selection, const std::shared_ptr<Attempt>& attempt);
    void refresh();
    // Ends the attempt; with `restore` the hidden windows come back.
    void reset(bool restore);
    void fail(const QString& message);
    bool isCurrent(const std::shared_ptr<Attempt>& attempt) const { return attempt == attempt_; }
    qint64 elapsed() const;

    Services services_;
    std::shared_ptr<Attempt> attempt_;
    bool selecting_ = false;
    bool countingDown_ = false;
    bool finishing_ = false;
    bool windowsHidden_ = false;
    std::unique_ptr<ScreenRecorder> recorder_;
    QTimer microphoneDeadline_;
    QTimer refreshTimer_;
};

} // namespace lumbex
