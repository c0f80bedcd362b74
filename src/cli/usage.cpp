#include "cli/usage.h"

#include "cli/commands.h"

#ifndef SKERROW_VERSION
#error "SKERROW_VERSION must come from the project version"
#endif

namespace skerrow {

namespace {

constexpr std::string_view ToolSynopsis = "Usage: skerrow-cli COMMAND [ARGUMENT]...\n"
                                          "       skerrow-cli --help | --version\n";

}  // namespace

std::string VersionText()
{
    return std::string("skerrow-cli ") + SKERROW_VERSION;
}

std::string ToolHelp()
{
    std::string text(ToolSynopsis);
    text += "\nThe librarian for VL1 voice files (.1vc, .1bk, .avc) on the command line.\n\nCommands:\n";
    for (const CommandSpec& command : Commands()) {
        text += "  ";
        text += command.synopsis.substr(std::string_view("skerrow-cli ").size());
        text += '\n';
    }
    text += "\nRun 'skerrow-cli COMMAND --help' for the details of a command.\n";
    return text;
}

std::string CommandHelp(std::string_view name)
{
    const CommandSpec* command = FindCommand(name);
    if (!command)
        return {};
    return "Usage: " + std::string(command->synopsis) + "\n\n" + std::string(command->details);
}

int UsageError(const Console& console, std::string_view name, std::string_view problem)
{
    // A problem may quote what the user typed: escaped for a terminal like every other such text.
    std::string text = "skerrow-cli: " + ShownOnErr(console, problem, Field::Path) + "\n";
    const CommandSpec* command = FindCommand(name);
    if (command) {
        text += "Usage: " + std::string(command->synopsis) + "\n";
        text += "Try 'skerrow-cli " + std::string(name) + " --help' for more.\n";
    } else {
        text += ToolSynopsis;
        text += "Try 'skerrow-cli --help' for more.\n";
    }
    Write(console.err, text);
    return ExitUsage;
}

}  // namespace skerrow
