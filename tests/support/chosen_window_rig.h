#pragma once

#include "support/pipewire_server.h"
#include "support/screen_cast_portal_bus.h"

#include <QImage>
#include <QThread>
#include <atomic>
#include <memory>
#include <spa/param/video/raw.h>
#include <thread>

namespace lumbex::test {

// A window as a desktop portal offers it for choosing: the fake ScreenCast portal on a private
// bus answers a window choice with the node of a private PipeWire server, which keeps sending
// `picture` while something is linked to it.
class ChosenWindowRig {
public:
    // Why none can run here (dbus-daemon or PipeWire missing), or empty.
    static QString unavailableReason() {
        if (const QString reason = ScreenCastPortalBus::unavailableReason(); !reason.isEmpty())
            return reason;
        return PipeWireServer::unavailableReason();
    }

    ChosenWindowRig(QString portalProgram, QImage picture)
        : picture_(std::move(picture)), portal_(std::move(portalProgram)) {
        if (portal_.address().isEmpty()) {
            problem_ = QStringLiteral("the private bus did not start");
            return;
        }
        server_ = std::make_unique<PipeWireServer>();
        if (!server_->missing().isEmpty()) {
            problem_ = server_->missing();
            return;
        }
        producer_ = std::make_unique<PipeWireVideoProducer>(*server_, SPA_VIDEO_FORMAT_BGRx,
                                                            picture_.size());
        if (producer_->node() == 0) {
            problem_ = QStringLiteral("the test video node did not appear");
            return;
        }
        sender_ = std::thread([this] {
            while (!done_) {
                if (producer_->waitUntilStreaming(50))
                    producer_->send(picture_);
                QThread::msleep(30);
            }
        });
    }
    ~ChosenWindowRig() {
        done_ = true;
        if (sender_.joinable())
            sender_.join();
    }
    ChosenWindowRig(const ChosenWindowRig&) = delete;
    ChosenWindowRig& operator=(const ChosenWindowRig&) = delete;

    // Why the rig did not come up, or empty.
    const QString& problem() const { return problem_; }
    const QImage& picture() const { return picture_; }
    ScreenCastPortalBus& portal() { return portal_; }

    // Starts the portal offering `sourceTypes` (its AvailableSourceTypes), with `extra` options;
    // whether it said it is ready.
    bool startPortal(const QString& sourceTypes, const QStringList& extra = {}) {
        return portal_.startPortal(QStringList{"--source-types", sourceTypes, "--pipewire-socket",
                                               server_->socketPath(), "--window-node",
                                               QString::number(producer_->node())} +
                                   extra);
    }

private:
    const QImage picture_;
    // Members end in reverse: the sender stops, then the node, its server and the portal.
    ScreenCastPortalBus portal_;
    std::unique_ptr<PipeWireServer> server_;
    std::unique_ptr<PipeWireVideoProducer> producer_;
    std::atomic<bool> done_ = false;
    std::thread sender_;
    QString problem_;
};

} // namespace lumbex::test
