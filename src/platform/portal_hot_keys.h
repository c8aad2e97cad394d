#pragma once

#include "platform/hot_keys.h"

#include <QDBusConnection>
#include <map>
#include <memory>

namespace lumbex {

// How the desktop lists one of our shortcuts in its settings.
struct PortalShortcutName {
    QString id;          // stable across runs, so that the desktop remembers the person's choice
    QString description; // shown to the person
};

// Global keys through the desktop portal's GlobalShortcuts interface on `bus` (a Wayland
// session, where no client may grab keys itself). Shortcuts are named by `names`, or by their
// number when absent. The portal binds a session's shortcuts once, so every change closes the
// session and binds the whole new set in a fresh one. Each request waits a few seconds at most
// for the portal's answer; a refusal, a timeout or a vanished portal makes `add` return
// kUnavailable.
// Returns null when the portal is absent or does not offer the interface.
std::unique_ptr<HotKeys> openPortalHotKeys(QDBusConnection bus,
                                           std::map<int, PortalShortcutName> names = {});

// `keys` as the portal's trigger text: modifiers "CTRL", "ALT", "SHIFT", "LOGO", then the key's
// XKB name ("CTRL+ALT+LOGO+f", "CTRL+LOGO+F5"); empty for a key without one.
QString portalTrigger(QKeyCombination keys);

} // namespace lumbex
