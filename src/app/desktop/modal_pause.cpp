#include "app/desktop/modal_pause.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace lumbex {

ModalPause::ModalPause(std::function<void()> pause, std::function<void()> resume, QObject* parent)
    : QObject(parent), pause_(std::move(pause)), resume_(std::move(resume)) {
    qApp->installEventFilter(this);
    update();
}

ModalPause::~ModalPause() {
    qApp->removeEventFilter(this);
}

bool ModalPause::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Qt knows the modal windows only once a show or hide has finished: look after it, once for
    // a burst of windows.
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWindowType() &&
        !updateQueued_) {
        updateQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            updateQueued_ = false;
            update();
        });
    }
    return false;
}

void ModalPause::update() {
    const bool modal = QGuiApplication::modalWindow() != nullptr;
    if (modal == paused_)
        return;
    paused_ = modal;
    if (modal)
        pause_();
    else
        resume_();
}

} // namespace lumbex
