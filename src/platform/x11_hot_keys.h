#pragma once

#include "platform/hot_keys.h"

#include <QByteArray>
#include <memory>

namespace lumbex {

// Global keys on an X server, grabbed on the root window over a connection of their own: a
// combination another client grabbed first is refused with HotKeys::kTaken, grabs follow
// keyboard mapping changes, and a held key's repeats are dropped. The connection's events are read
// on the thread that created the object (the GUI thread), through its event loop.
// Throws LumbexError when the display cannot be reached.
std::unique_ptr<HotKeys> connectX11HotKeys(const QByteArray& displayName);

// Where no global keys can be had (no X display, or a Wayland session without the desktop's
// shortcut service): every registration fails with kUnavailable and `reason` says what to do.
std::unique_ptr<HotKeys> unavailableHotKeys(QString reason);

} // namespace lumbex
