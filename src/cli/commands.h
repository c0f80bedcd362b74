#pragma once

#include "cli/arguments.h"
#include "cli/console.h"

#include <string>
#include <vector>

namespace skerrow {

// Runs skerrow-cli with the arguments after the program name. Returns the exit code.
int RunCli(const std::vector<std::string>& args, const Console& console);

// The commands, each given its arguments after the command name (options already checked).
int RunList(const Arguments& args, const Console& console);
int RunInfo(const Arguments& args, const Console& console);
int RunBuild(const Arguments& args, const Console& console);
int RunFind(const Arguments& args, const Console& console);
int RunDupes(const Arguments& args, const Console& console);

}  // namespace skerrow
