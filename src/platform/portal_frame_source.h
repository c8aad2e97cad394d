#pragma once

#include "platform/portal_screen_cast.h"
#include "platform/recording_sources.h"

#include <QRect>
#include <functional>
#include <memory>
#include <vector>

namespace lumbex {

// How a recorded area lies on the monitor a portal shared. Areas and displays are in the pixels
// of the portal's screenshot of the desktop; the portal gives the shared monitor's size in pixels
// of its own (logical or device ones), and its pictures come in device pixels.
struct SharedMonitorFit {
    enum class Kind {
        Inside,         // recordable: `part` is what to keep
        AcrossDisplays, // on no one display
        Elsewhere       // on a display that is not the shared monitor
    };
    Kind kind = Kind::Elsewhere;
    // In the portal's pixels of the shared monitor; none when the area is the whole monitor.
    std::optional<QRect> part;
    QSize monitorSize; // as the portal gives it; empty when it did not say
};

// The area's display is the shared monitor when it has the stream's shape (at any scale) and,
// where the portal says where the monitor is and there are several displays, its place (as given
// or at the same scale). Without a size from the portal the display is taken at scale 1.
SharedMonitorFit fitOnSharedMonitor(const QRect& area, const std::vector<QRect>& displays,
                                    const ScreenCastStream& stream);

// A screen frame source in a Wayland session: the desktop portal grants one monitor (asking the
// person through its chooser unless `restoreToken` still names an earlier grant), and its
// PipeWire stream delivers the pictures, cut to the settings' area. The area lies on one of
// `displays` (both in the portal's screenshot pixels) and must be on the granted monitor: one on
// no one display fails with "Keep the recording area on one display.", one on another display
// with "The selected recording source changed. Choose it again.". `keepToken` receives the token
// to keep for the next run: the portal's new one, or an empty one when the grant no longer fits,
// so that the person chooses again. The portal session stays open while the source lives. Window
// recordings need X11. Throws LumbexError.
std::unique_ptr<ScreenFrameSource>
openPortalFrameSource(QDBusConnection bus, const ScreenCastOffer& offer,
                      const ScreenFrameSettings& settings, const std::vector<QRect>& displays,
                      const QString& restoreToken,
                      const std::function<void(const QString&)>& keepToken);

// The pictures of a window the portal granted in `session` (a kScreenCastWindow one), whole, at
// the size the portal gave; the session closes after the pictures stopped. Throws LumbexError.
std::unique_ptr<ScreenFrameSource>
openPortalWindowFrameSource(std::unique_ptr<ScreenCastSession> session);

} // namespace lumbex
