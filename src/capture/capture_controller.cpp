#include "capture/capture_controller.h"

#include "capture/capture_coordinates.h"
#include "capture/screen_lists.h"
#include "core/error.h"

#include <QDateTime>

namespace lumbex {

CaptureController::CaptureController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {}

CaptureController::~CaptureController() {
    // The read uses the screen grabber, which need not outlive the controller.
    reading_.dropAndWait();
}

void CaptureController::capture(Mode mode, bool explain, QObject* editor, int delay) {
    if (request_) {
        services_.shell.beep();
        return;
    }
    std::vector<CaptureDisplay> displays;
    std::optional<CaptureRegion> lastRegion;
    try {
        // An unavailable screen says here what the user can do about it.
        displays = captureDisplays(services_.screen.displays());
        if (mode == Mode::LastArea) {
            lastRegion = services_.settings.lastCaptureRegion();
            if (!lastRegion)
                throw LumbexError(QStringLiteral(
                    "Capture an area first, then repeat it with Capture Last Area."));
            validateRegion(*lastRegion, displays);
        }
    } catch (const LumbexError& e) {
        services_.shell.showError(e.message());
        return;
    }

    auto request = std::make_shared<Request>();
    request->explain = explain;
    request->wasActive = services_.shell.isActive();
    request->addsToEditor = editor != nullptr;
    request->editor = editor;
    request_ = request;
    services_.shell.closeTransientPanels();
    services_.shell.hideWindows();
    setPhase(Phase::Selecting);
    services_.defer([this, request, mode, delay, lastRegion] {
        if (isCurrent(request))
            begin(request, mode, delay, lastRegion);
    });
}

void CaptureController::begin(const std::shared_ptr<Request>& request, Mode mode, int delay,
                              const std::optional<CaptureRegion>& lastRegion) {
    try {
        switch (mode) {
        case Mode::Window:
            if (choosesWindowInDialog(services_.screen.capabilities())) {
                selected(CaptureWindow{kWindowChosenInDialog, 0, {}, {}}, request, delay);
                return;
            }
            [[fallthrough]];
        case Mode::Area: {
            PickerRequest picker{mode == Mode::Window, captureDisplays(services_.screen.displays()),
                                 captureWindows(services_.screen.windows(), services_.ownProcess)};
            services_.picker.present(picker, [this, request, delay](auto selection) {
                if (!isCurrent(request))
                    return;
                if (selection)
                    selected(*selection, request, delay);
                else
                    cancel(true);
            });
            return;
        }
        case Mode::Display: {
            const std::vector<CaptureDisplay> displays =
                captureDisplays(services_.screen.displays());
            const auto main = std::find_if(displays.begin(), displays.end(),
                                           [](const auto& d) { return d.isMain; });
            if (main == displays.end())
                throw LumbexError(QStringLiteral("No display is available."));
            selected(*main, request, delay);
            return;
        }
        case Mode::LastArea:
            selected(*lastRegion, request, delay);
            return;
        }
    } catch (const LumbexError& e) {
        fail(e.message());
    }
}

void CaptureController::selected(const CaptureSelection& selection,
                                 const std::shared_ptr<Request>& request, int delay) {
    if (!isCurrent(request))
        return;
    if (delay < 1) {
        take(selection, request);
        return;
    }
    setPhase(Phase::CountingDown);
    services_.countdown.start(std::min(delay, kLongestDelay),
                              [this, selection, request](bool finished) {
                                  if (!isCurrent(request))
                                      return;
                                  if (finished)
                                      take(selection, request);
                                  else
                                      cancel(true);
                              });
}

void CaptureController::take(const CaptureSelection& selection,
                             const std::shared_ptr<Request>& request) {
    if (!isCurrent(request))
        return;
    setPhase(Phase::Capturing);
    if (editorVanished(*request)) {
        cancel(true);
        return;
    }
    try {
        validateSelection(selection, services_.screen, services_.ownProcess);
    } catch (const LumbexError& e) {
        fail(e.message());
        return;
    }
    const CaptureOptions options{services_.settings.includeCursor(),
                                 services_.settings.includeWindowShadow()};
    ScreenGrabber& screen = services_.screen;
    reading_.start(
        QStringLiteral("take the screenshot"),
        [&screen, selection, options] { return takePicture(selection, screen, options); },
        [this, selection, request](const WorkOutcome<CaptureShot>& outcome) {
            finish(outcome, selection, request);
        });
}

void CaptureController::finish(const WorkOutcome<CaptureShot>& outcome,
                               const CaptureSelection& selection,
                               const std::shared_ptr<Request>& request) {
    if (const LumbexError* error = outcome.error())
        isCancelledChoice(*error) ? cancel(true) : fail(error->message());
    else
        deliver(outcome.value(), selection, request);
}

void CaptureController::deliver(const CaptureShot& shot, const CaptureSelection& selection,
                                const std::shared_ptr<Request>& request) {
    if (editorVanished(*request)) {
        cancel(true);
        return;
    }
    const CaptureDelivery delivery{shot, selection, captureName(QDateTime::currentDateTime())};
    if (const auto* region = std::get_if<CaptureRegion>(&selection))
        services_.settings.setLastCaptureRegion(*region);
    request_.reset();
    setPhase(Phase::Idle);
    if (request->addsToEditor) {
        services_.shell.restoreWindows(true);
        services_.shell.addToEditor(request->editor, delivery);
    } else if (request->explain) {
        services_.shell.restoreWindows(true);
        services_.shell.openInEditor(delivery);
    } else {
        services_.shell.restoreWindows(false);
        services_.shell.showQuickCapture(delivery);
    }
}

void CaptureController::cancel(bool restore) {
    const std::shared_ptr<Request> request = std::move(request_);
    request_.reset();
    reading_.drop();
    setPhase(Phase::Idle);
    services_.picker.cancel();
    services_.countdown.cancel();
    // The hidden windows come back even when another application was active: nothing else would
    // show them again. Only an application that was active is activated.
    if (restore && request)
        services_.shell.restoreWindows(request->wasActive);
}

void CaptureController::fail(const QString& message) {
    cancel(false);
    services_.shell.restoreWindows(true);
    services_.shell.showError(message);
}

bool CaptureController::canRepeat() const {
    const std::optional<CaptureRegion> region = services_.settings.lastCaptureRegion();
    if (!region)
        return false;
    try {
        validateRegion(*region, captureDisplays(services_.screen.displays()));
        return true;
    } catch (const LumbexError&) {
        return false;
    }
}

void CaptureController::setPhase(Phase phase) {
    if (phase_ == phase)
        return;
    phase_ = phase;
    emit phaseChanged(phase);
}

} // namespace lumbex
