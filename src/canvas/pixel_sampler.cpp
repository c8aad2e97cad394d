#include "canvas/pixel_sampler.h"

#include <QThread>

namespace lumbex {
namespace {

const QString kThreadName = QStringLiteral("design.omek.lumbex.pixel-inspection");

} // namespace

PixelSampler::PixelSampler(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(kThreadName);
}

PixelSampler::~PixelSampler() = default;

void PixelSampler::inspect(const QImage& original, const Media& media,
                           const std::vector<Mark>& marks, const MarkNumbers& numbers, Point at,
                           bool withLoupe) {
    sampling_.start(
        QStringLiteral("sample the colour"),
        [original, media, marks, numbers, at, withLoupe] {
            QThread::currentThread()->setObjectName(kThreadName);
            PixelInspection inspection{at, Rendering::sample(original, media, marks, numbers, at),
                                       std::nullopt};
            if (withLoupe)
                inspection.loupe = Rendering::pixelLoupe(original, media, marks, numbers, at);
            return inspection;
        },
        [this, at](const WorkOutcome<PixelInspection>& outcome) {
            // An output too large to compose shows no sample rather than a stale one.
            emit inspected(outcome.error() ? PixelInspection{at, std::nullopt, std::nullopt}
                                           : outcome.value());
        });
}

void PixelSampler::cancel() {
    sampling_.drop();
}

} // namespace lumbex
