#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace lumbex {

// The application's folder, "$XDG_DATA_HOME/Lumbex" (by default ~/.local/share/Lumbex).
QString applicationFolder();
// New notes are saved here, unasked: "<application folder>/Notes".
QString libraryFolder();
// Exported images go here when no folder is chosen: "<application folder>/Exports".
QString exportsFolder();

// The application's settings file ("$XDG_CONFIG_HOME/Lumbex/Lumbex.conf"), shared by the windows
// and the command line.
std::unique_ptr<QSettings> openSettings();

} // namespace lumbex
