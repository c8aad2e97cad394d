#pragma once

#include "support/event_waiting.h"
#include "support/virtual_display.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace lumbex::test {

// openbox on a test's own X server. Construction waits until the manager has run its start-up
// command: windows mapped while it still starts may never be painted or framed.
class WindowManager {
public:
    explicit WindowManager(const VirtualDisplay& display) {
        const QString ready = folder_.filePath(QStringLiteral("openbox-ready"));
        process_.setProcessEnvironment(display.environment());
        process_.start(QStringLiteral("openbox"),
                       {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        processEventsUntil([&] { return QFile::exists(ready); }, 10000);
        ready_ = QFile::exists(ready);
    }
    ~WindowManager() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    bool ready() const { return ready_; }

private:
    QTemporaryDir folder_;
    QProcess process_;
    bool ready_ = false;
};

} // namespace lumbex::test
