#include "shortcuts/shortcut_settings.h"

#include "core/error.h"

#include <QSettings>

namespace lumbex {
namespace {

const QString kPair = QStringLiteral("captureShortcutPair");
const QString kEnabled = QStringLiteral("globalShortcutsEnabled");
const QString kVoice = QStringLiteral("voiceShortcut");

} // namespace

ShortcutSettings::ShortcutSettings(QSettings& settings) : settings_(settings) {}

CaptureShortcutPair ShortcutSettings::capturePair() const {
    const QVariant stored = settings_.value(kPair);
    if (!stored.isValid())
        return CaptureShortcutPair::defaults();
    try {
        const CaptureShortcutPair pair = decodeShortcutPair(stored.toByteArray());
        return pair.isValid() ? pair : CaptureShortcutPair::defaults();
    } catch (const LumbexError&) {
        return CaptureShortcutPair::defaults();
    }
}

bool ShortcutSettings::globalShortcutsEnabled() const {
    return settings_.value(kEnabled, true).toBool();
}

void ShortcutSettings::setCaptureShortcuts(const CaptureShortcutPair& pair, bool enabled) {
    settings_.setValue(kPair, encodeShortcutPair(pair));
    settings_.setValue(kEnabled, enabled);
    settings_.sync();
}

std::optional<CaptureShortcut> ShortcutSettings::storedVoiceShortcut() const {
    const QVariant stored = settings_.value(kVoice);
    if (!stored.isValid())
        return std::nullopt;
    try {
        return decodeShortcut(stored.toByteArray());
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

std::optional<CaptureShortcut> ShortcutSettings::voiceShortcut() const {
    const auto stored = storedVoiceShortcut();
    return stored && stored->isValid() ? stored : std::nullopt;
}

void ShortcutSettings::setVoiceShortcut(const std::optional<CaptureShortcut>& shortcut) {
    if (shortcut)
        settings_.setValue(kVoice, encodeShortcut(*shortcut));
    else
        settings_.remove(kVoice);
    settings_.sync();
}

} // namespace lumbex
