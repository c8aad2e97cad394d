#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <functional>

namespace lumbex {

// One desktop application per user and display: a second launch hands its arguments (files made
// absolute, "--fixture") to the running one over a local socket and ends. The socket's name comes
// from the settings folder and the display, so test runs with their own folders stay apart.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    SingleInstance();

    // True when a running instance took the arguments (this process should end).
    bool handOver(const QStringList& args);
    // Starts listening; `received` gets each later launch's arguments.
    void listen(std::function<void(const QStringList&)> received);

    static QString socketName();

private:
    QLocalServer server_;
};

} // namespace lumbex
