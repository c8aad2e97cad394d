#pragma once

#include "app/cli/command.h"

namespace lumbex::cli {

// `lumbex manual-page`: the lumbex(1) page in roff, its command list taken from `commands` (those
// `--help` lists), so the installed page always matches the binary it comes with.
Command manualPageCommand(const std::vector<Command>& commands);

} // namespace lumbex::cli
