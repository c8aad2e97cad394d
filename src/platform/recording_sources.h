#pragma once

#include "core/error.h"
#include "platform/recording_media.h"

#include <QByteArray>
#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <variant>

class QDBusConnection;

namespace lumbex {

// A source of samples for a recording. Callbacks run on the source's own thread, one at a time,
// until stop() returns; after that none runs.
template <typename Sample> class RecordingSampleSource {
public:
    using Deliver = std::function<void(Sample sample)>;
    using Failed = std::function<void(const LumbexError& error)>;

    virtual ~RecordingSampleSource() = default;
    // Throws LumbexError when the source cannot start.
    virtual void start(Deliver deliver, Failed failed) = 0;
    // Waits until no callback runs.
    virtual void stop() = 0;
};

using ScreenFrameSource = RecordingSampleSource<VideoSample>;
using RecordingAudioSource = RecordingSampleSource<AudioSample>;

// What a screen frame source records: an area of the desktop (root pixels; a whole display is its
// rectangle), or one window, followed as it moves and resizes.
struct ScreenFrameSettings {
    std::variant<QRect, quint32> source;
    bool cursor = true;  // draw the pointer in
    bool clicks = false; // draw a short ring where a mouse button went down
};

// The X11 screen: a picture is delivered only when the recorded part changed (XDamage) or the
// drawn pointer moved, at most 30 per second on a monotonic clock. A window that goes away fails
// the source with "The selected window is no longer available.". Throws LumbexError when the
// server or its extensions are missing.
std::unique_ptr<ScreenFrameSource> openX11FrameSource(const QByteArray& displayName,
                                                      const ScreenFrameSettings& settings);

// PulseAudio (also PipeWire's Pulse server): `system` is the monitor of the default sink,
// `microphone` the default source. Samples arrive about every 20 ms. Throws LumbexError with a
// message naming which sound could not be opened.
std::unique_ptr<RecordingAudioSource> openPulseAudioSource(RecordingAudio role);

// Tells when the computer is about to sleep (logind's PrepareForSleep); quiet where there is no
// logind on the system bus.
class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject* parent = nullptr);
    // Listens on `bus` instead of the system bus.
    explicit SleepWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

signals:
    void goingToSleep();

private slots:
    void prepareForSleep(bool starting);
};

} // namespace lumbex
