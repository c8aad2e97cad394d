#pragma once

#include <QStringList>

namespace lumbex {

// Shows files selected in the desktop's file manager: the freedesktop FileManager1 interface on
// the session bus when a file manager provides it, else the folder of the first file opened with
// the desktop's default handler. Returns false when neither could be asked. GUI thread; the
// D-Bus call is asynchronous and does not wait for the file manager.
bool revealFiles(const QStringList& paths);

} // namespace lumbex
