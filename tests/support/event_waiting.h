#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace lumbex::test {

// Runs the event loop until `done` holds or `ms` pass; returns whether it holds.
inline bool processEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

inline void processEventsFor(int ms) {
    processEventsUntil([] { return false; }, ms);
}

} // namespace lumbex::test
