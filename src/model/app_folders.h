#pragma once

#include <QString>

namespace lumbex {

// The application's folder, "$XDG_DATA_HOME/Lumbex" (by default ~/.local/share/Lumbex).
QString applicationFolder();
// New notes are saved here, unasked: "<application folder>/Notes".
QString libraryFolder();
// Exported images go here when no folder is chosen: "<application folder>/Exports".
QString exportsFolder();

} // namespace lumbex
