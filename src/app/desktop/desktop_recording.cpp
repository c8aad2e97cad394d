#include "app/desktop/desktop_recording.h"

#include "app/capture_ui/countdown_panel.h"
#include "app/recording_services.h"
#include "app/recording_ui/record_screen_dialog.h"
#include "app/recording_ui/recording_control_panel.h"
#include "app/recording_ui/recovery_dialog.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "model/note_library.h"
#include "platform/portal_screenshot.h"
#include "platform/recording_sources.h"
#include "platform/screen_grabber.h"
#include "recording/pending_recording.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThreadPool>

namespace lumbex {

DesktopRecording::DesktopRecording(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)),
      countdown_(std::make_unique<CountdownPanel>(CountdownPanel::Purpose::Recording)) {
    panel_ = std::make_unique<RecordingControlPanel>([this] { controller_->togglePause(); },
                                                     [this] { controller_->stopRecording(); });
    ScreenGrabber& screen = services_.screen;
    RecordingController::Services s{
        .picker = services_.picker,
        .countdown = *countdown_,
        .shell = services_.shell,
        .panel = *panel_,
        .displays = [&screen] { return captureDisplays(screen.displays()); },
        .windows =
            [&screen] {
                return captureWindows(screen.windows(), qint32(QCoreApplication::applicationPid()));
            },
        .windowsChosenInDialog = [&screen] { return choosesWindowInDialog(screen.capabilities()); },
        .checkMicrophone =
            [this](std::function<void(std::optional<QString>)> done) {
                checkMicrophone(std::move(done));
            },
        .makeRecorder =
            [&screen](const CaptureSelection& selection, const ScreenRecordingOptions& options,
                      const QString& folder) {
                return std::make_unique<ScreenRecorder>(
                    selection, options, folder,
                    systemRecorderServices(screen, false, options.cursor));
            },
        .saveNote =
            [this](const ScreenRecorder& recorder) {
                return saveRecordingNote(recorder, services_.library, services_.settings);
            },
        .openNote = services_.openNote,
        .otherWorkBusy = services_.otherWorkBusy,
        .defer = services_.defer,
        .pendingFolder = pendingRecordingsFolder(services_.library.folder()),
        .clock = hostClockMicroseconds,
    };
    controller_ = std::make_unique<RecordingController>(std::move(s));
}

DesktopRecording::~DesktopRecording() = default;

void DesktopRecording::record() {
    if (controller_->isBusy())
        return;
    const ScreenCapabilities can = services_.screen.capabilities();
    if (can.testFlag(ScreenCapability::ReadScreen) &&
        !can.testFlag(ScreenCapability::RecordScreen)) {
        services_.showError(recordingNeedsX11());
        return;
    }
    const bool readable = can.testFlag(ScreenCapability::ReadScreen);
    if (const std::optional<RecordingRequest> request = RecordScreenDialog::ask(readable))
        controller_->begin(*request);
}

void DesktopRecording::recover(bool automatically) {
    if (controller_->isBusy() || services_.otherWorkBusy()) {
        if (!automatically)
            services_.shell.beep();
        return;
    }
    const QString root = pendingRecordingsFolder(services_.library.folder());
    std::vector<PendingRecording> found;
    try {
        found = PendingRecording::discover(root, PendingRecording::reviewed(services_.settings));
    } catch (const LumbexError& error) {
        if (!automatically)
            services_.showError(error.message());
        return;
    }
    if (automatically && found.empty())
        return;
    std::optional<QString> folder;
    if (!found.empty()) {
        const auto [choice, chosen] = RecoveryDialog::ask(std::move(found));
        if (choice == RecoveryDialog::Choice::Later)
            return;
        if (choice == RecoveryDialog::Choice::Recover)
            folder = chosen;
    }
    if (!folder)
        folder = chooseRecordingFolder(root);
    if (!folder)
        return;
    try {
        const RecoveredNote note =
            saveRecoveredNote(*folder, services_.library, services_.settings);
        services_.openNote(note.package);
        if (note.recording.recovery == RecordingRecovery::Partial)
            if (const std::optional<QString> notice = note.recording.recoveryNotice())
                QMessageBox(QMessageBox::Information, QStringLiteral("Review"), *notice,
                            QMessageBox::Ok)
                    .exec();
    } catch (const LumbexError& error) {
        services_.showError(error.message());
    }
}

// Opening the default source proves that a microphone exists and may be recorded; it happens on
// a pool thread because a sound server that does not answer holds the caller.
void DesktopRecording::checkMicrophone(std::function<void(std::optional<QString>)> done) {
    QPointer<DesktopRecording> self(this);
    QThreadPool::globalInstance()->start([self, done = std::move(done)] {
        std::optional<QString> failure;
        try {
            openPulseAudioSource(RecordingAudio::Microphone);
        } catch (const LumbexError& error) {
            failure = error.message();
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, done, failure] {
                if (self)
                    done(failure);
            },
            Qt::QueuedConnection);
    });
}

} // namespace lumbex
