#include "canvas/pixel_sampler.h"

#include "core/error.h"

#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent>

namespace lumbex {

PixelSampler::PixelSampler(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(QStringLiteral("design.omek.lumbex.pixel-inspection"));
}

PixelSampler::~PixelSampler() {
    cancel();
    pool_.waitForDone();
}

quint64 PixelSampler::inspect(const QImage& original, const Media& media,
                              const std::vector<Mark>& marks, const MarkNumbers& numbers, Point at,
                              bool withLoupe) {
    ++attempt_;
    waiting_ = Request{attempt_, original, media, marks, numbers, at, withLoupe};
    if (!running_)
        startNext();
    return attempt_;
}

void PixelSampler::cancel() {
    ++attempt_;
    waiting_.reset();
}

void PixelSampler::startNext() {
    if (!waiting_)
        return;
    Request request = std::move(*waiting_);
    waiting_.reset();
    running_ = true;
    auto* watcher = new QFutureWatcher<PixelInspection>(this);
    connect(watcher, &QFutureWatcher<PixelInspection>::finished, this, [this, watcher] {
        watcher->deleteLater();
        finished(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [request = std::move(request)] {
        QThread::currentThread()->setObjectName(
            QStringLiteral("design.omek.lumbex.pixel-inspection"));
        PixelInspection inspection{request.attempt, request.at, std::nullopt, std::nullopt};
        try {
            inspection.color = Rendering::sample(request.original, request.media, request.marks,
                                                 request.numbers, request.at);
            if (request.withLoupe)
                inspection.loupe = Rendering::pixelLoupe(
                    request.original, request.media, request.marks, request.numbers, request.at);
        } catch (const LumbexError&) {
            // An output too large to compose shows no sample rather than a stale one.
            inspection = PixelInspection{request.attempt, request.at, std::nullopt, std::nullopt};
        }
        return inspection;
    }));
}

void PixelSampler::finished(const PixelInspection& inspection) {
    running_ = false;
    if (inspection.attempt == attempt_)
        emit inspected(inspection);
    startNext();
}

} // namespace lumbex
