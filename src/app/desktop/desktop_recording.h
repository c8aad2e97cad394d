#pragma once

#include "recording/recording_controller.h"

#include <QObject>
#include <memory>

class QSettings;

namespace lumbex {

class CaptureShell;
class CapturePicker;
class CountdownPanel;
class NoteLibrary;
class RecordingControlPanel;
class ScreenGrabber;

// Screen recording in the desktop application: "Record Screen…" with its dialog, the recording
// countdown and control panel, and the controller that saves the finished recording as a library
// note and opens it.
class DesktopRecording : public QObject {
    Q_OBJECT
public:
    struct Services {
        ScreenGrabber& screen;
        CapturePicker& picker;
        CaptureShell& shell;
        NoteLibrary& library;
        QSettings& settings;
        std::function<bool()> otherWorkBusy;
        std::function<void(const QString& package)> openNote;
        std::function<void(const QString& message)> showError;
        CaptureController::Defer defer;
    };
    explicit DesktopRecording(Services services, QObject* parent = nullptr);
    ~DesktopRecording() override;

    RecordingController& controller() { return *controller_; }
    // "Record Screen…": asks for the options, then starts the attempt.
    void record();
    // "Recover Recording…" (or, `automatically`, the check at launch, which stays silent when
    // nothing was found or something else runs): the interrupted recording chosen by the user
    // becomes a new note that opens.
    void recover(bool automatically);

private:
    void checkMicrophone(std::function<void(std::optional<QString>)> done);

    Services services_;
    std::unique_ptr<CountdownPanel> countdown_;
    std::unique_ptr<RecordingControlPanel> panel_;
    std::unique_ptr<RecordingController> controller_;
};

} // namespace lumbex
