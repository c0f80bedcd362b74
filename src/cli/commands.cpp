#include "cli/commands.h"

#include "cli/usage.h"

namespace skerrow {

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> table = {
        {"list",
         {},
         "skerrow-cli list FILE",
         "Opens FILE as File > Open does and prints one line per listed voice: its slot\n"
         "number, a tab and its name exactly as stored (up to 10 bytes, trailing blanks\n"
         "kept, no character set conversion).\n"
         "\n"
         "Exit status: 0 listed; 1 the file was refused (the reason on standard error);\n"
         "2 usage error.\n",
         RunList},
        {"info",
         {},
         "skerrow-cli info FILE",
         "Prints the format, the slot count, the number of listed voices and the size of\n"
         "FILE, and whether the voice block of every listed voice is present.\n"
         "\n"
         "Exit status: 0 complete; 1 the file was refused; 2 usage error; 3 some listed\n"
         "voices have no block in the file (their slots are named).\n",
         RunInfo},
        {"build",
         {{"--sort", false}},
         "skerrow-cli build [--sort] OUTPUT SOURCE[:SELECTION]...",
         "Writes a new voice file at OUTPUT from voices of the SOURCE files, opened left to\n"
         "right. SELECTION picks slots in the order given: slot numbers and ascending\n"
         "ranges, comma-separated (3,9,5 or 1-4,7); without it every listed voice is\n"
         "taken. The format follows from the count: 1 voice .1vc, 2 to 16 .1bk, 17 to 128\n"
         ".avc. An OUTPUT without an extension gets the format's; another extension is\n"
         "refused. Bytes 0 to 49 of the new file come from the last SOURCE.\n"
         "\n"
         "  --sort        sort the voices by name (byte order, case-sensitive) first\n"
         "\n"
         "Exit status: 0 written; 1 a source was refused or the write failed (OUTPUT is\n"
         "left as it was); 2 usage error, a slot that is not a listed voice, more than 128\n"
         "voices, no voice at all, or a refused extension (nothing is written).\n",
         RunBuild},
        {"find",
         {{"--name", true}, {"--verbose", false}},
         "skerrow-cli find [--name TEXT] [--verbose] PATH...",
         "Prints path<TAB>slot<TAB>name for every listed voice of every voice file under\n"
         "the PATHs (any extension; symbolic links below a PATH are not followed), sorted\n"
         "by path, then slot. Only the head of each file is read.\n"
         "\n"
         "  --name TEXT   only voices whose name contains TEXT (ASCII letters in any case)\n"
         "  --verbose     say on standard error why a file was passed over\n"
         "\n"
         "Exit status: 0 done; 1 a PATH does not exist; 2 usage error.\n",
         RunFind},
        {"dupes",
         {},
         "skerrow-cli dupes PATH...",
         "Finds the voices whose 3072 bytes of voice data are identical, whatever their\n"
         "names, among the listed voices of every voice file under the PATHs. Prints each\n"
         "group of two or more as path<TAB>slot<TAB>name lines, groups separated by an\n"
         "empty line. A listed voice whose block is missing from its file is skipped with\n"
         "a warning.\n"
         "\n"
         "Exit status: 0 done; 1 a PATH does not exist; 2 usage error.\n",
         RunDupes},
    };
    return table;
}

const CommandSpec* FindCommand(std::string_view name)
{
    for (const CommandSpec& command : Commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

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
    if (const CommandSpec* command = FindCommand(first)) {
        const Arguments parsed =
            ParseArguments(std::vector<std::string>(args.begin() + 1, args.end()), command->options);
        if (parsed.help) {
            Write(console.out, CommandHelp(command->name));
            return FinishOutput(console, ExitOk);
        }
        if (!parsed.error.empty())
            return UsageError(console, command->name, parsed.error);
        return command->run(parsed, console);
    }
    if (first.size() > 1 && first[0] == '-')
        return UsageError(console, "", "unknown option '" + first + "'");
    return UsageError(console, "", "unknown command '" + first + "'");
}

}  // namespace skerrow
