#include "cli/commands.h"

#include "cli/usage.h"

namespace skerrow {

namespace {

struct CommandEntry {
    const char* name;
    std::vector<OptionSpec> options;
    int (*run)(const Arguments&, const Console&);
};

const std::vector<CommandEntry>& CommandTable()
{
    static const std::vector<CommandEntry> table = {
        {"list", {}, RunList},
        {"info", {}, RunInfo},
        {"build", {{"--sort", false}}, RunBuild},
        {"find", {{"--name", true}, {"--verbose", false}}, RunFind},
        {"dupes", {}, RunDupes},
    };
    return table;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const Console& console)
{
    if (args.empty())
        return UsageError(console, "", "no command given");
    const std::string& first = args[0];
    if (first == "--help" || first == "-h") {
        Write(console.out, ToolHelp());
        return FinishOutput(console, ExitOk);
    }
    if (first == "--version") {
        Write(console.out, VersionText() + "\n");
        return FinishOutput(console, ExitOk);
    }
    for (const CommandEntry& command : CommandTable()) {
        if (first != command.name)
            continue;
        const Arguments parsed =
            ParseArguments(std::vector<std::string>(args.begin() + 1, args.end()), command.options);
        if (parsed.help) {
            Write(console.out, CommandHelp(command.name));
            return FinishOutput(console, ExitOk);
        }
        if (!parsed.error.empty())
            return UsageError(console, command.name, parsed.error);
        return command.run(parsed, console);
    }
    if (first.size() > 1 && first[0] == '-')
        return UsageError(console, "", "unknown option '" + first + "'");
    return UsageError(console, "", "unknown command '" + first + "'");
}

}  // namespace skerrow
