#include "platform/portal_screen_grabber.h"

#include "core/error.h"
#include "core/files.h"
#include "platform/copied_screen.h"
#include "platform/portal_request.h"
#include "platform/portal_screen_cast.h"
#include "platform/portal_screenshot.h"
#include "platform/wayland_outputs.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

const char kScreenshot[] = "org.freedesktop.portal.Screenshot";

// The portal answers a non-interactive request at once; an interactive one waits for the person.
constexpr int kQuietAnswerMs = 30'000;
constexpr int kInteractiveAnswerMs = 300'000;
// How long a picture still counts as the screen as it is now.
constexpr qint64 kPictureReuseMs = 1000;

constexpr int kLongestSide = 32768;
constexpr qint64 kMostPixels = 120'000'000;

QString displayChanged() {
    return QStringLiteral("The selected display changed. Start a new capture.");
}

QString portalMissing() {
    return QStringLiteral(
        "Lumbex takes screenshots on Wayland through the desktop portal, which is not running "
        "here. Install xdg-desktop-portal and the backend for your desktop "
        "(xdg-desktop-portal-wlr for sway and other wlroots desktops, xdg-desktop-portal-gnome "
        "or xdg-desktop-portal-kde), then log in again.");
}

// Asks the portal for one screenshot and waits for its answer.
PortalAnswer requestScreenshot(bool interactive) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        throw LumbexError(QStringLiteral(
            "Lumbex takes screenshots on Wayland through the desktop portal, but there is no "
            "D-Bus session bus. Start Lumbex from your desktop session, then try again."));
    const QString token = newHandleToken();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalObject),
        QString::fromLatin1(kScreenshot), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), interactive}};
    const PortalAnswer answer =
        askPortal(bus, call, token, interactive ? kInteractiveAnswerMs : kQuietAnswerMs);
    if (answer.outcome == PortalAnswer::Outcome::CallFailed)
        throw LumbexError(portalMissing());
    if (answer.outcome == PortalAnswer::Outcome::NoAnswer)
        throw LumbexError(QStringLiteral(
            "The desktop portal did not answer the screenshot request. Check that "
            "xdg-desktop-portal and the backend for your desktop are running, then try again."));
    return answer;
}

// Removes the portal's copy of a screenshot once it has been read, or when it is stale: it is a
// temporary of ours. A file of another user's is left alone.
void removePortalFile(const QByteArray& name, const struct stat& st) {
    if (st.st_uid == ::geteuid())
        ::unlink(name.constData());
}

// Reads the portal's PNG: a regular file (never through a link) whose header is checked before
// the rest is read.
QImage readPicture(const QString& path, const QDateTime& asked) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        throw LumbexError(QStringLiteral("The desktop portal’s screenshot could not be read. "
                                         "Try again."));
    // A file older than the request is one a failed screenshot left behind.
    if (QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec) < asked.addSecs(-2)) {
        removePortalFile(name, st);
        throw LumbexError(
            QStringLiteral("The desktop portal returned an old screenshot instead of a new one. "
                           "Check that your user can replace %1, then try again.")
                .arg(path));
    }
    QImage image;
    {
        const InputFile file(path);
        const QSize size = pngSize(file.head(24));
        if (size.isEmpty())
            throw LumbexError(QStringLiteral("The desktop portal’s screenshot is not a PNG image. "
                                             "Try again."));
        if (size.width() > kLongestSide || size.height() > kLongestSide ||
            qint64(size.width()) * size.height() > kMostPixels)
            throw LumbexError(QStringLiteral(
                "The screen is larger than 120 megapixels, more than Lumbex can capture at once. "
                "Capture an area instead."));
        const QByteArray bytes = file.readAll(largestPngBytes(size));
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        if (!reader.read(&image) || image.size() != size)
            throw LumbexError(QStringLiteral("The desktop portal’s screenshot could not be read. "
                                             "Try again."));
    }
    removePortalFile(name, st);
    return image.convertToFormat(QImage::Format_RGB32);
}

class PortalScreenGrabber final : public ScreenGrabber {
public:
    PortalScreenGrabber(PortalWindowChooser chooseWindow, std::unique_ptr<OutputCopier> copier)
        : chooseWindow_(std::move(chooseWindow)) {
        if (copier)
            copied_.emplace(std::move(copier));
    }

    // The portal is asked on the first question rather than on opening: a command-line capture
    // that copies the outputs never needs the session bus.
    ScreenCapabilities capabilities() const override {
        std::call_once(offerAsked_, [this] {
            offer_ = screenCastOffer(QDBusConnection::sessionBus());
            capabilities_ = ScreenCapability::ReadScreen;
            if (offer_)
                capabilities_ |= ScreenCapability::RecordScreen;
            if (offer_ && (offer_->sourceTypes & kScreenCastWindow) && chooseWindow_)
                capabilities_ |= ScreenCapability::ChooseWindow;
        });
        return capabilities_;
    }

    // The outputs as they were at the latest picture, which is taken anew only when the
    // compositor's outputs have changed since: every grab takes a picture of its own, so that a
    // display that changed is noticed there, and asking for the layout (menus do, to enable
    // items) costs a few round trips to the compositor but a screenshot only after a change.
    std::vector<ScreenDisplay> displays() override {
        const std::lock_guard lock(mutex_);
        if (copied_)
            if (std::optional<std::vector<ScreenDisplay>> layout = copied_->displays())
                return std::move(*layout);
        if (picture_.isNull() || readWaylandOutputs() != outputs_)
            takePicture();
        return layout_;
    }

    std::vector<ScreenWindow> windows() override { return {}; }

    ScreenGrab grabArea(const QRect& area) override {
        const std::lock_guard lock(mutex_);
        if (copied_)
            if (std::optional<ScreenGrab> grab = copied_->grabArea(area))
                return std::move(*grab);
        const QImage& picture = pictureForPixels();
        if (!picture.rect().contains(area))
            throw LumbexError(displayChanged());
        return {picture.copy(area), area.topLeft()};
    }

    ScreenGrab grabDisplay(const ScreenDisplay& display) override {
        return grabDisplays({display}).front();
    }

    std::vector<ScreenGrab> grabDisplays(const std::vector<ScreenDisplay>& displays) override {
        const std::lock_guard lock(mutex_);
        if (copied_)
            if (std::optional<std::vector<ScreenGrab>> grabs = copied_->grabDisplays(displays))
                return std::move(*grabs);
        const QImage& picture = pictureForPixels();
        std::vector<ScreenGrab> grabs;
        for (const ScreenDisplay& display : displays) {
            // The display must still be where it was when it was chosen.
            if (std::find(layout_.begin(), layout_.end(), display) == layout_.end())
                throw LumbexError(displayChanged());
            grabs.push_back({picture.copy(display.geometry), display.geometry.topLeft()});
        }
        return grabs;
    }

    ScreenGrab grabWindow(quint32) override { throw LumbexError(windowCaptureNeedsX11()); }

    // Not serialised with the screenshots: the portal's dialog may wait minutes for the person.
    ScreenGrab grabChosenWindow() override {
        if (!capabilities().testFlag(ScreenCapability::ChooseWindow))
            throw LumbexError(windowCaptureNeedsX11());
        return chooseWindow_(*offer_);
    }

    std::optional<CursorImage> cursor() override { return std::nullopt; }

private:
    void takePicture() {
        const QDateTime asked = QDateTime::currentDateTimeUtc();
        PortalAnswer answer = requestScreenshot(false);
        // Some portals take screenshots only with the person's say: ask that way then.
        if (answer.response == 2)
            answer = requestScreenshot(true);
        picture_ = readPicture(screenshotFile(answer.response, answer.results), asked);
        // Read right after the picture, so that the two describe the same desktop.
        outputs_ = readWaylandOutputs();
        layout_ = displaysInPicture(outputs_, picture_.size());
        taken_.start();
        // A picture serves a grab only within the step that took it: once the event loop turns,
        // windows may have been hidden or shown since. A command line that never returns to an
        // event loop has the time limit alone.
        current_ = std::make_shared<std::atomic<bool>>(true);
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [current = current_] { *current = false; }, Qt::QueuedConnection);
    }

    const QImage& pictureForPixels() {
        if (!current_ || !*current_ || taken_.elapsed() > kPictureReuseMs)
            takePicture();
        *current_ = false;
        return picture_;
    }

    mutable std::once_flag offerAsked_;
    mutable ScreenCapabilities capabilities_;
    mutable std::optional<ScreenCastOffer> offer_;
    const PortalWindowChooser chooseWindow_;
    std::optional<CopiedScreen> copied_;
    std::mutex mutex_;
    QImage picture_;
    // The compositor's outputs at the latest picture, and the displays they make of it.
    std::vector<WaylandOutput> outputs_;
    std::vector<ScreenDisplay> layout_;
    QElapsedTimer taken_;
    // Whether the latest picture may still serve one grab.
    std::shared_ptr<std::atomic<bool>> current_;
};

} // namespace

std::unique_ptr<ScreenGrabber> openPortalScreenGrabber(PortalWindowChooser chooseWindow,
                                                       std::unique_ptr<OutputCopier> copier) {
    return std::make_unique<PortalScreenGrabber>(std::move(chooseWindow), std::move(copier));
}

} // namespace lumbex
