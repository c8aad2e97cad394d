#include "platform/portal_frame_source.h"

#include "core/error.h"
#include "platform/pipewire_frame_source.h"
#include "platform/portal_screenshot.h"

#include <cmath>

namespace lumbex {
namespace {

// The pictures of a granted stream; the portal's session is closed after the stream stopped.
class PortalFrameSource final : public ScreenFrameSource {
public:
    PortalFrameSource(std::unique_ptr<ScreenCastSession> session,
                      std::unique_ptr<ScreenFrameSource> pictures)
        : session_(std::move(session)), pictures_(std::move(pictures)) {}

    ~PortalFrameSource() override { pictures_.reset(); }

    void start(Deliver deliver, Failed failed) override {
        pictures_->start(std::move(deliver), std::move(failed));
    }

    void stop() override { pictures_->stop(); }

private:
    std::unique_ptr<ScreenCastSession> session_;
    std::unique_ptr<ScreenFrameSource> pictures_;
};

} // namespace

SharedMonitorFit fitOnSharedMonitor(const QRect& area, const ScreenCastStream& stream) {
    const QPoint origin = stream.position.value_or(QPoint(0, 0));
    SharedMonitorFit fit;
    if (!stream.size) {
        // Nothing to check against: the pictures' own size bounds the cut.
        fit.kind = SharedMonitorFit::Kind::Inside;
        fit.part = area.translated(-origin);
        return fit;
    }
    const QRect shown(origin, *stream.size);
    fit.monitorSize = shown.size();
    if (shown.contains(area)) {
        fit.kind = SharedMonitorFit::Kind::Inside;
        if (area != shown)
            fit.part = area.translated(-shown.topLeft());
    } else if (shown.intersects(area) && !area.contains(shown)) {
        fit.kind = SharedMonitorFit::Kind::CrossesEdge;
    }
    return fit;
}

double desktopScale(QSize desktopPixels, const ScreenCastStream& stream) {
    const bool atOrigin = !stream.position || stream.position->isNull();
    if (desktopPixels.isEmpty() || !stream.size || !atOrigin)
        return 1;
    const double scale = double(desktopPixels.width()) / stream.size->width();
    const bool sameShape = std::abs(desktopPixels.height() - stream.size->height() * scale) <= 1;
    return sameShape && scale > 1 ? scale : 1;
}

std::unique_ptr<ScreenFrameSource>
openPortalFrameSource(QDBusConnection bus, const ScreenCastOffer& offer,
                      const ScreenFrameSettings& settings, QSize desktopPixels,
                      const QString& restoreToken,
                      const std::function<void(const QString&)>& keepToken) {
    const QRect* area = std::get_if<QRect>(&settings.source);
    if (!area)
        throw LumbexError(windowCaptureNeedsX11());
    auto session = std::make_unique<ScreenCastSession>(
        std::move(bus), offer,
        ScreenCastRequest{kScreenCastMonitor, settings.cursor, restoreToken});
    const ScreenCastStream& stream = session->stream();
    keepToken(session->restoreToken());

    // The portal measures its monitors in logical pixels, screenshots come in device pixels.
    const double scale = desktopScale(desktopPixels, stream);
    const QRect logical(int(std::lround(area->x() / scale)), int(std::lround(area->y() / scale)),
                        int(std::lround(area->width() / scale)),
                        int(std::lround(area->height() / scale)));
    const SharedMonitorFit fit = fitOnSharedMonitor(logical, stream);
    if (fit.kind == SharedMonitorFit::Kind::CrossesEdge)
        throw LumbexError(QStringLiteral("Keep the recording area on one display."));
    if (fit.kind == SharedMonitorFit::Kind::Elsewhere) {
        // The kept grant no longer fits what the person chose: the next recording asks again.
        keepToken(QString());
        throw LumbexError(
            QStringLiteral("The selected recording source changed. Choose it again."));
    }
    PipeWireFrameSettings pictures;
    pictures.fd = session->takePipeWireFd();
    pictures.node = stream.node;
    pictures.grantedSize = fit.monitorSize;
    pictures.area = fit.part;
    return std::make_unique<PortalFrameSource>(std::move(session),
                                               openPipeWireFrameSource(pictures));
}

} // namespace lumbex
