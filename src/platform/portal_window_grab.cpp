#include "platform/portal_window_grab.h"

#include "core/error.h"
#include "platform/pipewire_frame_source.h"

#include <condition_variable>
#include <mutex>
#include <optional>

namespace lumbex {

ScreenGrab grabPortalWindow(QDBusConnection bus, const ScreenCastOffer& offer, int pictureMs) {
    std::unique_ptr<ScreenCastSession> session;
    try {
        session =
            std::make_unique<ScreenCastSession>(std::move(bus), offer,
                                                ScreenCastRequest{.sourceType = kScreenCastWindow,
                                                                  .cursor = false,
                                                                  .restoreToken = {},
                                                                  .persist = false});
    } catch (const LumbexError& error) {
        if (isCancelledChoice(error))
            throw LumbexError(
                QStringLiteral("The window capture was cancelled. Nothing was captured."),
                ECANCELED);
        throw;
    }
    const ScreenCastStream stream = session->stream();
    PipeWireFrameSettings settings;
    settings.fd = session->takePipeWireFd();
    settings.node = stream.node;
    settings.grantedSize = stream.size.value_or(QSize());
    const std::unique_ptr<ScreenFrameSource> pictures = openPipeWireFrameSource(settings);

    // Filled on the source's thread; the first picture or failure wins.
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<QImage> picture;
    std::optional<LumbexError> failure;
    pictures->start(
        [&](VideoSample sample) {
            const std::lock_guard lock(mutex);
            if (!picture && !failure && !sample.image.isNull())
                picture = sample.image.convertToFormat(QImage::Format_RGB32);
            arrived.notify_all();
        },
        [&](const LumbexError& error) {
            const std::lock_guard lock(mutex);
            if (!picture && !failure)
                failure = error;
            arrived.notify_all();
        });
    {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::milliseconds(pictureMs),
                         [&] { return picture || failure; });
    }
    pictures->stop();
    if (failure)
        throw *failure;
    if (!picture)
        throw LumbexError(QStringLiteral("The chosen window sent no picture. Try again."));
    return {*picture, stream.position.value_or(QPoint())};
}

} // namespace lumbex
