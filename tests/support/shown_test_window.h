#pragma once

#include "support/virtual_display.h"

#include <QColor>
#include <QProcess>
#include <QRect>
#include <memory>

namespace lumbex::test {

// Runs `lumbex_test_window` on a virtual display and waits until it has painted; the window
// closes when this object ends. `id()` is 0 when it did not appear.
class ShownTestWindow {
public:
    ShownTestWindow(const VirtualDisplay& display, QRect geometry, QColor color,
                    const QString& title) {
        process_.setProcessEnvironment(display.environment());
        process_.start(QStringLiteral(LUMBEX_TEST_WINDOW),
                       {QString::number(geometry.x()), QString::number(geometry.y()),
                        QString::number(geometry.width()), QString::number(geometry.height()),
                        color.name(), title});
        if (process_.waitForReadyRead(10000))
            id_ = process_.readLine().trimmed().toUInt();
    }
    ~ShownTestWindow() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    quint32 id() const { return id_; }
    qint64 processID() const { return process_.processId(); }

private:
    QProcess process_;
    quint32 id_ = 0;
};

} // namespace lumbex::test
