#include "app/capture_ui/overlay_capture_picker.h"

#include "app/capture_ui/capture_picker_view.h"
#include "core/error.h"
#include "platform/screen_grabber.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace lumbex {
namespace {

QRect pixelRect(const Rect& r) {
    return QRect(int(r.x), int(r.y), int(r.width), int(r.height));
}

QImage standIn(const CaptureDisplay& display) {
    QImage image(pixelRect(display.quartzFrame).size(), QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

// What the covered displays show now, all read at one moment through the whole-display path when
// the screen still lists them; a grey stand-in for a display that cannot be read, so that the
// picker still works and the capture itself reports the failure.
std::vector<QImage> frozenGrabs(ScreenGrabber& screen, const std::vector<CaptureDisplay>& covered) {
    std::vector<ScreenDisplay> connected;
    try {
        connected = screen.displays();
    } catch (const LumbexError&) {
        // Each display then falls back to an area read, or to its stand-in.
    }
    std::vector<ScreenDisplay> listed;
    for (const CaptureDisplay& display : covered)
        for (const ScreenDisplay& candidate : connected)
            if (candidate.name == display.id &&
                candidate.geometry == pixelRect(display.quartzFrame))
                listed.push_back(candidate);
    std::vector<QImage> images;
    if (listed.size() == covered.size()) {
        try {
            for (ScreenGrab& grab : screen.grabDisplays(listed))
                images.push_back(std::move(grab.image));
            return images;
        } catch (const LumbexError&) {
            images.clear();
        }
    }
    for (const CaptureDisplay& display : covered) {
        try {
            images.push_back(screen.grabArea(pixelRect(display.quartzFrame)).image);
        } catch (const LumbexError&) {
            images.push_back(standIn(display));
        }
    }
    return images;
}

// The screen of the display's name (Wayland outputs and X11 monitors alike), else the one at its
// place.
QScreen* screenShowing(const CaptureDisplay& display) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        if (screen->name() == display.id)
            return screen;
    for (QScreen* screen : screens)
        if (screen->geometry() == pixelRect(display.cocoaFrame))
            return screen;
    return nullptr;
}

} // namespace

OverlayCapturePicker::OverlayCapturePicker(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {}

OverlayCapturePicker::~OverlayCapturePicker() {
    closeViews();
}

void OverlayCapturePicker::present(
    const PickerRequest& request, std::function<void(std::optional<CaptureSelection>)> completion) {
    open(request.displays, request.windows, {request.chooseWindow, false, std::nullopt},
         std::move(completion));
}

void OverlayCapturePicker::open(std::vector<CaptureDisplay> displays,
                                std::vector<CaptureWindow> windows,
                                CapturePickerLogic::Options options,
                                CapturePickerLogic::Completion completion,
                                std::function<void()> willCapture) {
    cancel();
    logic_ = std::make_shared<CapturePickerLogic>(
        std::move(displays), std::move(windows), std::move(options),
        [this, completion = std::move(completion)](std::optional<CaptureSelection> selection) {
            finished(std::move(selection), completion);
        },
        services_.beep);
    logic_->setWillCapture(std::move(willCapture));

    const std::vector<CaptureDisplay> covered = logic_->coveredDisplays();
    std::vector<QImage> frozen = frozenGrabs(services_.screen, covered);
    for (size_t i = 0; i < covered.size(); ++i) {
        const CaptureDisplay& display = covered[i];
        auto* view = new CapturePickerView(logic_, display, std::move(frozen[i]), services_.pointer,
                                           [this] { refreshViews(); });
        // The window takes the screen's own geometry: on Wayland that is the output's logical
        // size, which its part of the desktop picture exceeds when another output has a larger
        // scale (the view then maps its points through the difference).
        if (QScreen* screen = screenShowing(display)) {
            view->setScreen(screen);
            view->setGeometry(screen->geometry());
        }
        views_.emplace_back(view);
    }
    const QPoint pointer = services_.pointer();
    if (!logic_->start({double(pointer.x()), double(pointer.y())}))
        return;

    CapturePickerView* key = nullptr;
    // Wayland ignores where a window asks to be; full screen is the one way to cover an output.
    const bool wayland = QGuiApplication::platformName() == u"wayland";
    for (const QPointer<CapturePickerView>& view : views_) {
        if (wayland)
            view->showFullScreen();
        else
            view->show();
        view->raise();
        if (!key &&
            view->display().cocoaFrame.contains(Point{double(pointer.x()), double(pointer.y())}))
            key = view;
    }
    if (!key)
        key = views_.front();
    key->activateWindow();
    key->setFocus();
    refreshViews();

    const auto screensChanged = [this] {
        if (logic_)
            logic_->cancel();
    };
    auto* app = qGuiApp;
    screenWatch_.push_back(connect(app, &QGuiApplication::screenAdded, this, screensChanged));
    screenWatch_.push_back(connect(app, &QGuiApplication::screenRemoved, this, screensChanged));
    for (QScreen* screen : QGuiApplication::screens())
        screenWatch_.push_back(connect(screen, &QScreen::geometryChanged, this, screensChanged));
}

void OverlayCapturePicker::cancel() {
    if (logic_)
        logic_->cancel();
}

std::vector<CapturePickerView*> OverlayCapturePicker::views() const {
    std::vector<CapturePickerView*> shown;
    for (const QPointer<CapturePickerView>& view : views_)
        if (view)
            shown.push_back(view);
    return shown;
}

void OverlayCapturePicker::finished(std::optional<CaptureSelection> selection,
                                    const CapturePickerLogic::Completion& completion) {
    closeViews();
    // The logic is still on the stack that called us: release it once that has returned.
    QTimer::singleShot(0, this, [finishedLogic = logic_] {});
    completion(std::move(selection));
}

void OverlayCapturePicker::closeViews() {
    for (const QMetaObject::Connection& connection : screenWatch_)
        disconnect(connection);
    screenWatch_.clear();
    for (const QPointer<CapturePickerView>& view : views_)
        if (view)
            view->close();
    views_.clear();
}

void OverlayCapturePicker::refreshViews() {
    for (const QPointer<CapturePickerView>& view : views_)
        if (view)
            view->refresh();
}

} // namespace lumbex
