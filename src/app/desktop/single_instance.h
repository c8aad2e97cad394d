#pragma once

#include "app/reading_handover.h"
#include "app/shortcuts_handover.h"

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
    using ReadingAnswer = std::function<void(const QByteArray&)>;
    // Starts listening; `received` gets each later launch's arguments, `read` each bitmap a
    // command-line run hands over, and the means to answer it, `shortcuts` the requests of
    // `lumbex shortcuts`.
    void listen(std::function<void(const QStringList&)> received,
                std::function<void(ReadingRequest, ReadingAnswer)> read = {},
                ShortcutsHandler shortcuts = {});

    static QString socketName();

private:
    QLocalServer server_;
};

} // namespace lumbex
