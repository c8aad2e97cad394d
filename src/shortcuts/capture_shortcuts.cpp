#include "shortcuts/capture_shortcuts.h"

#include "core/error.h"
#include "platform/hot_keys.h"
#include "shortcuts/shortcut_settings.h"

#include <QStringList>

namespace lumbex {

CaptureShortcuts::CaptureShortcuts(ShortcutSettings& settings, HotKeys& hotKeys,
                                   std::function<void(bool)> action)
    : settings_(settings), hotKeys_(hotKeys), action_(std::move(action)),
      configuration_(settings.capturePair()), enabled_(settings.globalShortcutsEnabled()) {
    hotKeys_.setPressedHandler([this](int id) {
        if ((id == kExplainId || id == kQuickId) && action_)
            action_(id == kExplainId);
    });
}

CaptureShortcuts::~CaptureShortcuts() {
    stop();
    hotKeys_.setPressedHandler({});
}

void CaptureShortcuts::start() {
    stop();
    if (!enabled_)
        return;
    for (const auto& [id, shortcut] : {std::pair{kExplainId, configuration_.explain},
                                       std::pair{kQuickId, configuration_.quick}}) {
        const auto keys = shortcut.qtKey();
        const int status = keys ? hotKeys_.add(id, *keys) : HotKeys::kUnavailable;
        registration_.push_back(status);
        if (status == 0)
            registered_.push_back(id);
    }
}

void CaptureShortcuts::stop() {
    for (const int id : registered_)
        hotKeys_.remove(id);
    registered_.clear();
    registration_.clear();
}

void CaptureShortcuts::apply(const CaptureShortcutPair& pair, bool enabled) {
    if (!pair.isValid())
        throw LumbexError(QStringLiteral("Choose two different shortcuts. Use Command with Option "
                                         "or Control and a letter, number, or function key."));
    if (const auto voice = settings_.storedVoiceShortcut();
        voice && (*voice == pair.explain || *voice == pair.quick))
        throw LumbexError(QStringLiteral(
            "That combination is your Voice Shortcut. Choose a different capture shortcut."));
    const CaptureShortcutPair previousPair = configuration_;
    const bool previousEnabled = enabled_;
    configuration_ = pair;
    enabled_ = enabled;
    start();
    const bool failed = registration_.size() < 2 || registration_[0] != 0 || registration_[1] != 0;
    if (enabled && failed) {
        QStringList names;
        const CaptureShortcut shortcuts[] = {pair.explain, pair.quick};
        for (std::size_t i = 0; i < registration_.size() && i < 2; ++i)
            if (registration_[i] != 0)
                names << shortcuts[i].keysText();
        configuration_ = previousPair;
        enabled_ = previousEnabled;
        start();
        throw LumbexError(QStringLiteral("Couldn’t register %1. Choose another combination. Your "
                                         "previous shortcuts have been kept.")
                              .arg(names.isEmpty() ? QStringLiteral("these shortcuts")
                                                   : names.join(QStringLiteral(", "))));
    }
    settings_.setCaptureShortcuts(pair, enabled);
}

QString CaptureShortcuts::status(int index) const {
    if (!enabled_)
        return QStringLiteral("Disabled");
    if (index >= 0 && std::size_t(index) < registration_.size() && registration_[index] == 0)
        return QStringLiteral("Registered");
    return QStringLiteral("Unavailable");
}

QString CaptureShortcuts::unavailableReason() const {
    return hotKeys_.unavailableReason();
}

} // namespace lumbex
