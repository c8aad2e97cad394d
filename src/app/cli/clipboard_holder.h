#pragma once

#include <QString>

namespace lumbex::cli {

// X11 clipboard content lives in the process that offers it: a command that ends at once cannot
// own it. The text is therefore handed to a small detached `lumbex hold-clipboard` process that
// serves it until another application takes the clipboard over.

// Starts the holder and waits until it owns the clipboard. Throws LumbexError with "Couldn’t copy
// the request. The prepared files are still available." when there is no display or it fails.
void offerOnClipboard(const QString& text);

// The holder's side: owns the clipboard with `text`, signals `readyFile` by creating it, and
// returns when the clipboard has passed to someone else.
int holdClipboard(const QString& readyFile, const QString& text);

} // namespace lumbex::cli
