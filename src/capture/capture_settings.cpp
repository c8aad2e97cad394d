#include "capture/capture_settings.h"

#include "capture/capture_region_coding.h"
#include "core/error.h"

#include <QSettings>

namespace lumbex {
namespace {

const QString kIncludeCursor = QStringLiteral("captureIncludeCursor");
const QString kWindowShadow = QStringLiteral("captureWindowShadow");
const QString kLastRegion = QStringLiteral("lastCaptureRegion");

} // namespace

CaptureSettings::CaptureSettings(QSettings& settings) : settings_(settings) {}

bool CaptureSettings::includeCursor() const {
    return settings_.value(kIncludeCursor, false).toBool();
}

void CaptureSettings::setIncludeCursor(bool include) {
    settings_.setValue(kIncludeCursor, include);
}

bool CaptureSettings::includeWindowShadow() const {
    return settings_.value(kWindowShadow, false).toBool();
}

void CaptureSettings::setIncludeWindowShadow(bool include) {
    settings_.setValue(kWindowShadow, include);
}

std::optional<CaptureRegion> CaptureSettings::lastCaptureRegion() const {
    const QByteArray stored = settings_.value(kLastRegion).toByteArray();
    if (stored.isEmpty())
        return std::nullopt;
    try {
        return decodeCaptureRegion(stored);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

void CaptureSettings::setLastCaptureRegion(const CaptureRegion& region) {
    settings_.setValue(kLastRegion, encodeCaptureRegion(region));
}

} // namespace lumbex
