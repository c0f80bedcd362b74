#pragma once

#include "cli/arguments.h"
#include "cli/console_librarian.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "editing/messages.h"

#include <string>
#include <string_view>
#include <vector>

namespace skerrow {

// Runs skerrow-cli with the arguments after the program name. Returns the exit code.
int RunCli(const std::vector<std::string>& args, const Console& console);

// The commands, each given its arguments after the command name (options already checked).
int RunList(const Arguments& args, const Console& console);
int RunInfo(const Arguments& args, const Console& console);
int RunBuild(const Arguments& args, const Console& console);
// build, once its SOURCE arguments are known to hold no invalid selection.
int RunCheckedBuild(const Arguments& args, const Console& console);
int RunFind(const Arguments& args, const Console& console);
int RunDupes(const Arguments& args, const Console& console);
int RunImage(const Arguments& args, const Console& console);

// One command of the tool: what it accepts, how its help tells it, and what runs it.
struct CommandSpec {
    std::string_view name;
    std::vector<OptionSpec> options;
    std::string_view synopsis;
    std::string_view details;  // the help after the synopsis
    int (*run)(const Arguments&, const Console&);
};

// Every command, in the order the tool's help lists them.
const std::vector<CommandSpec>& Commands();

// The command called name, or nullptr.
const CommandSpec* FindCommand(std::string_view name);

// How find and dupes write their records, from --json, -0 and --null.
RecordFormat RecordFormatOf(const Arguments& args);

}  // namespace skerrow
