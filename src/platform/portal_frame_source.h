#pragma once

#include "platform/portal_screen_cast.h"
#include "platform/recording_sources.h"

#include <QRect>
#include <functional>
#include <memory>

namespace lumbex {

// A screen frame source in a Wayland session: the desktop portal grants one monitor (asking the
// person through its chooser unless `restoreToken` still names an earlier grant), and its
// PipeWire stream delivers the pictures, cut to the settings' area. The area is in the pixels of
// the desktop picture of `desktopPixels` (empty: the portal's logical pixels) and must lie on the
// granted monitor: one that crosses the monitor's edge fails with
// "Keep the recording area on one display.", one the monitor does not show at all with "The
// selected recording source changed. Choose it again.". `keepToken` receives the token to keep
// for the next run: the portal's new one, or an empty one when the grant no longer fits, so that
// the person chooses again. The portal session stays open while the source lives. Window
// recordings need X11. Throws LumbexError.
// How a recorded area (desktop pixels) lies on the monitor a portal shared.
struct SharedMonitorFit {
    enum class Kind {
        Inside,      // recordable: `part` is what to keep
        CrossesEdge, // partly on the monitor
        Elsewhere    // not on it at all, or larger than it
    };
    Kind kind = Kind::Elsewhere;
    // In the stream's own logical pixels; none when the area is the whole monitor.
    std::optional<QRect> part;
    QSize monitorSize; // empty when the portal did not say
};

// A portal that does not say where the monitor is shares the only one there is, at the desktop's
// origin; one that does not say its size leaves the pictures' size to bound the area.
SharedMonitorFit fitOnSharedMonitor(const QRect& area, const ScreenCastStream& stream);

// How many desktop pixels (as the portal's screenshots measure them, in device pixels) make one of
// the portal's logical pixels: the output's scale when the shared monitor is the whole desktop of
// `desktopPixels`, otherwise 1.
double desktopScale(QSize desktopPixels, const ScreenCastStream& stream);

std::unique_ptr<ScreenFrameSource>
openPortalFrameSource(QDBusConnection bus, const ScreenCastOffer& offer,
                      const ScreenFrameSettings& settings, QSize desktopPixels,
                      const QString& restoreToken,
                      const std::function<void(const QString&)>& keepToken);

} // namespace lumbex
