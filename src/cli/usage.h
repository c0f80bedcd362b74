#pragma once

#include "cli/output.h"

#include <string>
#include <string_view>

namespace skerrow {

// "skerrow-cli 1.1.0".
std::string VersionText();

// The help of the tool as a whole.
std::string ToolHelp();

// The help of one command, or empty for a name that is no command.
std::string CommandHelp(std::string_view command);

// Reports a command line that cannot be run: the problem and the synopsis of the command (of the
// tool when command is empty) on the error stream. Returns ExitUsage.
int UsageError(const Console& console, std::string_view command, std::string_view problem);

}  // namespace skerrow
