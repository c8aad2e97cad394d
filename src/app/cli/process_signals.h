#pragma once

#include <QObject>
#include <csignal>
#include <initializer_list>

class QSocketNotifier;

namespace lumbex::cli {

// Receives the given signals on the event loop instead of their default action. They are blocked
// in the calling thread, and so in every thread it starts afterwards: make one before any thread
// that should not see them starts.
class ProcessSignals : public QObject {
    Q_OBJECT
public:
    explicit ProcessSignals(std::initializer_list<int> numbers, QObject* parent = nullptr);
    ~ProcessSignals() override;

signals:
    void received(int signal);

private:
    void readPending();

    sigset_t blocked_;
    sigset_t previous_;
    int descriptor_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace lumbex::cli
