#pragma once

#include <QObject>

namespace lumbex {

// Application-wide voice notices that any window may follow.
class VoiceEvents : public QObject {
    Q_OBJECT

public:
    // The one instance, living on the GUI thread.
    static VoiceEvents& shared();

signals:
    // A session started or stopped: microphone menus change what they offer.
    void microphoneChanged();
};

} // namespace lumbex
