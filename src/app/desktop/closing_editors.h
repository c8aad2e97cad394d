#pragma once

#include <QList>
#include <functional>

namespace lumbex {

class EditorWindow;

// Quitting with notes open: closes every window of `windows`, each once its note is saved, and
// calls `quit` when all of them have closed. A window whose save fails stays open with the
// save's message and cancels the quit: `quit` is then never called.
void closeEditorsThenQuit(const QList<EditorWindow*>& windows, std::function<void()> quit);

} // namespace lumbex
