#include "app/scroll_ui/scroll_capture_ui.h"

#include "app/scroll_ui/panel_placement.h"
#include "app/scroll_ui/scroll_area_overlay.h"
#include "app/scroll_ui/scroll_progress_panel.h"
#include "capture/screen_area_frame_source.h"
#include "capture/screen_lists.h"
#include "core/error.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace lumbex {
namespace {

// Without a compositor a window that was hidden leaves the screen only once the windows below
// it have repainted, so the screen is read this long after our own windows went away.
constexpr int repaintDelayMs = 250;

const char* const imageFilter =
    "Images (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.heic *.heif)";

// The whole desktop as it looks now, with the position of its top left corner.
std::pair<QImage, QPoint> frozenDesktop(ScreenGrabber& screen,
                                        const std::vector<ScreenDisplay>& displays) {
    QRect bounds;
    for (const ScreenDisplay& d : displays)
        bounds = bounds.united(d.geometry);
    QImage desktop(bounds.size(), QImage::Format_RGB32);
    desktop.fill(Qt::black);
    QPainter painter(&desktop);
    for (const ScreenDisplay& d : displays) {
        const ScreenGrab grab = screen.grabDisplay(d);
        painter.drawImage(grab.origin - bounds.topLeft(), grab.image);
    }
    return {desktop, bounds.topLeft()};
}

QRect pixelRect(const Rect& r) {
    return QRect(int(r.x), int(r.y), int(r.width), int(r.height));
}

void call(const std::function<void()>& f) {
    if (f)
        f();
}

} // namespace

ScrollCaptureUI::ScrollCaptureUI(ScreenGrabber& screen, ScrollingCaptureSession::NoteSink saveNote,
                                 Shell shell, QObject* parent)
    : QObject(parent), screen_(screen), shell_(std::move(shell)), session_(std::move(saveNote)) {
    connect(&session_, &ScrollingCaptureSession::selectionRequested, this,
            [this] { QTimer::singleShot(repaintDelayMs, this, [this] { freezeAndPick(); }); });
    connect(&session_, &ScrollingCaptureSession::changed, this, [this] { sessionChanged(); });
    connect(&session_, &ScrollingCaptureSession::ended, this, [this] { sessionEnded(); });
}

ScrollCaptureUI::~ScrollCaptureUI() {
    delete overlay_;
    delete panel_;
}

bool ScrollCaptureUI::isBusy() const {
    return session_.phase() != ScrollingCaptureSession::Phase::Idle;
}

QWidget* ScrollCaptureUI::panel() const {
    return panel_;
}

void ScrollCaptureUI::start() {
    if (isBusy())
        return call(shell_.beep);
    area_ = {};
    call(shell_.hideWindows);
    windowsHidden_ = true;
    session_.begin();
}

void ScrollCaptureUI::freezeAndPick() {
    if (session_.phase() != ScrollingCaptureSession::Phase::Selecting || overlay_)
        return;
    try {
        const std::vector<ScreenDisplay> screens = screen_.displays();
        auto [desktop, origin] = frozenDesktop(screen_, screens);
        overlay_ = new ScrollAreaOverlay(
            std::move(desktop), origin, captureDisplays(screens),
            [this](const std::optional<CaptureSelection>& s) { picked(s); }, shell_.beep);
    } catch (const LumbexError& error) {
        session_.cancel();
        auto* alert = new QMessageBox(QMessageBox::Warning, error.message(), error.message());
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->show();
        return;
    }
    overlay_->present();
}

void ScrollCaptureUI::picked(const std::optional<CaptureSelection>& selection) {
    closeOverlay();
    const auto* region = selection ? std::get_if<CaptureRegion>(&*selection) : nullptr;
    if (!region)
        return session_.cancel();
    area_ = pixelRect(region->rect);
    QTimer::singleShot(repaintDelayMs, this, [this, region = *region] {
        if (session_.phase() == ScrollingCaptureSession::Phase::Selecting)
            session_.start(std::make_unique<ScreenAreaFrameSource>(screen_, region));
    });
}

void ScrollCaptureUI::closeOverlay() {
    if (!overlay_)
        return;
    overlay_->hide();
    overlay_->deleteLater();
    overlay_ = nullptr;
}

void ScrollCaptureUI::sessionChanged() {
    using Phase = ScrollingCaptureSession::Phase;
    const Phase phase = session_.phase();
    if (phase == Phase::Idle || phase == Phase::Selecting) {
        if (panel_)
            panel_->hide();
        return;
    }
    const bool placing = !panel_ || !panel_->isVisible();
    if (!panel_)
        panel_ = new ScrollProgressPanel(session_);
    panel_->refresh();
    if (placing) {
        QScreen* screen = QGuiApplication::screenAt(area_.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect display = screen->geometry();
        const QSize size = panel_->sizeHint();
        panel_->move(area_.isEmpty()
                         ? display.center() - QPoint(size.width() / 2, size.height() / 2)
                         : progressPanelPosition(area_, size, display));
        panel_->show();
    }
    if (phase == Phase::Review)
        panel_->raise();
}

void ScrollCaptureUI::sessionEnded() {
    closeOverlay();
    // The session often ends from one of the panel's own buttons or its close event.
    if (panel_) {
        panel_->hide();
        panel_->deleteLater();
        panel_ = nullptr;
    }
    if (windowsHidden_) {
        windowsHidden_ = false;
        call(shell_.restoreWindows);
    }
}

void ScrollCaptureUI::stitchImages(QWidget* parent) {
    if (isBusy() || importPanel_)
        return call(shell_.beep);
    auto* dialog = new QFileDialog(parent, ScrollingCaptureSession::importPanelMessage());
    importPanel_ = dialog;
    dialog->setObjectName(QStringLiteral("stitchImagesPanel"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilter(QString::fromLatin1(imageFilter));
    dialog->setLabelText(QFileDialog::Accept, ScrollingCaptureSession::importButtonTitle());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    area_ = {};
    connect(dialog, &QFileDialog::filesSelected, this,
            [this](const QStringList& files) { session_.importFiles(files); });
    dialog->open();
    dialog->activateWindow();
}

} // namespace lumbex
