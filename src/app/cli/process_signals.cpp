#include "app/cli/process_signals.h"

#include "core/error.h"

#include <QSocketNotifier>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace lumbex::cli {

ProcessSignals::ProcessSignals(std::initializer_list<int> numbers, QObject* parent)
    : QObject(parent) {
    sigemptyset(&blocked_);
    for (const int signal : numbers)
        sigaddset(&blocked_, signal);
    pthread_sigmask(SIG_BLOCK, &blocked_, &previous_);
    descriptor_ = ::signalfd(-1, &blocked_, SFD_CLOEXEC | SFD_NONBLOCK);
    if (descriptor_ < 0) {
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        throw LumbexError(QStringLiteral("Signals cannot be received here."));
    }
    notifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ProcessSignals::readPending);
}

ProcessSignals::~ProcessSignals() {
    ::close(descriptor_);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void ProcessSignals::readPending() {
    signalfd_siginfo info;
    while (::read(descriptor_, &info, sizeof info) == sizeof info)
        emit received(int(info.ssi_signo));
}

} // namespace lumbex::cli
