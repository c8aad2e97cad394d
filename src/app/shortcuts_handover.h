#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace lumbex {

// The shortcuts of the running application, asked for and changed by `lumbex shortcuts` over the
// single-instance socket. A request is an argument list that starts with this word, so that the
// socket's other messages stay as they are; the answer is one length-prefixed JSON object.
inline const QString kShortcutsRequestWord = QStringLiteral("--shortcuts");

// What the application holds now.
struct ShortcutsState {
    CaptureShortcutPair pair = CaptureShortcutPair::defaults();
    bool enabled = true;
    std::optional<CaptureShortcut> voice;
    // "Registered", "Unavailable" or "Disabled" for explain and quick; empty when no running
    // application was asked.
    QStringList statuses;
};

QStringList showShortcutsRequest();
QStringList setCaptureShortcutsRequest(const CaptureShortcutPair& pair, bool enabled);
QStringList setVoiceShortcutRequest(const std::optional<CaptureShortcut>& voice);

// The running application's side: what a request asks for. `apply*` throw LumbexError with
// their refusals.
struct ShortcutsHandler {
    std::function<ShortcutsState()> state;
    std::function<void(const CaptureShortcutPair&, bool enabled)> applyCapture;
    std::function<void(const std::optional<CaptureShortcut>&)> applyVoice;
};
// The framed answer to `request`: the state after it, or the refusal's message. Nothing for a
// request that is not well formed.
std::optional<QByteArray> answerShortcutsRequest(const QStringList& request,
                                                 const ShortcutsHandler& handler);

// Sends `request` to the running application and returns its state after it, or nothing when no
// application answers. Throws LumbexError with the application's message when it refused.
std::optional<ShortcutsState> askRunningShortcuts(const QStringList& request);

} // namespace lumbex
