#pragma once

#include "app/cli/arguments.h"
#include "capture/capture_selection.h"
#include "platform/screen_grabber.h"

namespace lumbex::cli {

// The source named by exactly one of --area X,Y,W,H, --window ID or --display N, checked against
// the screen as it is now: the same words for every command that reads the screen.
CaptureSelection chosenSelection(const Arguments& args, ScreenGrabber& screen);
// Usage error unless exactly one of the three is given.
void requireOneSource(const Arguments& args);

} // namespace lumbex::cli
