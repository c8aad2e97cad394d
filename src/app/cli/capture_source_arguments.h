#pragma once

#include "app/cli/arguments.h"
#include "capture/capture_selection.h"
#include "platform/screen_grabber.h"

namespace lumbex::cli {

// The source named by exactly one of --area X,Y,W,H, --window ID or --display N, checked against
// the screen as it is now: the same words for every command that reads the screen.
// With --window and no id, and --interactive, where the windows are private but the desktop's
// own dialog chooses one (Wayland's portal), the window is chosen there when it is read; other
// screens keep requiring an id.
CaptureSelection chosenSelection(const Arguments& args, ScreenGrabber& screen);
// `words` with an empty id after a --window that has none (followed by an option or nothing), so
// that the id-less form reads as one.
QStringList withChosenWindow(const QStringList& words);
// Usage error unless exactly one of the three is given.
void requireOneSource(const Arguments& args);

} // namespace lumbex::cli
