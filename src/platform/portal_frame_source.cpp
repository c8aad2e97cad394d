#include "platform/portal_frame_source.h"

#include "core/error.h"
#include "platform/pipewire_frame_source.h"
#include "platform/portal_screenshot.h"

#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

bool near(QPointF a, QPoint b) {
    return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1;
}

QString acrossDisplays() {
    return QStringLiteral("Keep the recording area on one display.");
}

// The pictures of a granted stream; the portal's session is closed after the stream stopped.
class PortalFrameSource final : public ScreenFrameSource {
public:
    PortalFrameSource(std::unique_ptr<ScreenCastSession> session,
                      std::unique_ptr<ScreenFrameSource> pictures)
        : session_(std::move(session)), pictures_(std::move(pictures)) {}

    void start(Deliver deliver, Failed failed) override {
        pictures_->start(std::move(deliver), std::move(failed));
    }

    void stop() override { pictures_->stop(); }

private:
    // Declared first, so that the session is closed after the pictures stopped.
    std::unique_ptr<ScreenCastSession> session_;
    std::unique_ptr<ScreenFrameSource> pictures_;
};

} // namespace

SharedMonitorFit fitOnSharedMonitor(const QRect& area, const std::vector<QRect>& displays,
                                    const ScreenCastStream& stream) {
    SharedMonitorFit fit;
    fit.monitorSize = stream.size.value_or(QSize());
    const auto on = std::find_if(displays.begin(), displays.end(),
                                 [&](const QRect& d) { return d.contains(area); });
    if (on == displays.end()) {
        fit.kind = SharedMonitorFit::Kind::AcrossDisplays;
        return fit;
    }
    const QRect display = *on;
    const QRect local = area.translated(-display.topLeft());
    if (!stream.size) {
        fit.kind = SharedMonitorFit::Kind::Inside;
        if (area != display)
            fit.part = local;
        return fit;
    }
    // Screenshot pixels per portal pixel: the output's scale where the portal counts logical
    // pixels, or the screenshot's where it is drawn larger than an output.
    const double scale = double(display.width()) / stream.size->width();
    if (std::abs(display.height() - stream.size->height() * scale) > 1)
        return fit;
    if (stream.position && displays.size() > 1) {
        const QPointF place(*stream.position);
        if (!near(place, display.topLeft()) && !near(place * scale, display.topLeft()))
            return fit;
    }
    fit.kind = SharedMonitorFit::Kind::Inside;
    if (area != display)
        fit.part = QRect(int(std::lround(local.x() / scale)), int(std::lround(local.y() / scale)),
                         int(std::lround(local.width() / scale)),
                         int(std::lround(local.height() / scale)));
    return fit;
}

std::unique_ptr<ScreenFrameSource>
openPortalFrameSource(QDBusConnection bus, const ScreenCastOffer& offer,
                      const ScreenFrameSettings& settings, const std::vector<QRect>& displays,
                      const QString& restoreToken,
                      const std::function<void(const QString&)>& keepToken) {
    const QRect* area = std::get_if<QRect>(&settings.source);
    if (!area)
        throw LumbexError(windowCaptureNeedsX11());
    // Known before the portal asks the person anything.
    if (std::none_of(displays.begin(), displays.end(),
                     [&](const QRect& display) { return display.contains(*area); }))
        throw LumbexError(acrossDisplays());
    auto session = std::make_unique<ScreenCastSession>(
        std::move(bus), offer,
        ScreenCastRequest{kScreenCastMonitor, settings.cursor, restoreToken});
    const ScreenCastStream& stream = session->stream();
    keepToken(session->restoreToken());

    const SharedMonitorFit fit = fitOnSharedMonitor(*area, displays, stream);
    if (fit.kind == SharedMonitorFit::Kind::AcrossDisplays)
        throw LumbexError(acrossDisplays());
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

std::unique_ptr<ScreenFrameSource>
openPortalWindowFrameSource(std::unique_ptr<ScreenCastSession> session) {
    PipeWireFrameSettings pictures;
    pictures.fd = session->takePipeWireFd();
    pictures.node = session->stream().node;
    pictures.grantedSize = session->stream().size.value_or(QSize());
    return std::make_unique<PortalFrameSource>(std::move(session),
                                               openPipeWireFrameSource(pictures));
}

} // namespace lumbex
