#include "app/cli/command.h"

namespace lumbex::cli {

std::vector<Command> recordingCommands() {
    return {recordingInspectCommand()};
}

} // namespace lumbex::cli
