#include "cli/commands.h"

#include "cli/selection.h"
#include "cli/usage.h"

namespace skerrow {

// Text that several commands' help shares.
#define SKERROW_OUTPUT_HELP                                                                                  \
    "On a terminal, control characters and backslashes in names and paths are shown\n"                       \
    "escaped (\\t, \\n, \\x1b, \\\\) and name bytes 0xA0 to 0xFF as the Latin-1 characters\n"                \
    "they stand for, in lines and NUL-ended records alike, one line at a time; piped\n"                      \
    "output has the exact bytes.\n"
#define SKERROW_JSON_HELP                                                                                    \
    "With --json, names are text read as Latin-1, so that every byte comes back; a path\n"                   \
    "that is not valid UTF-8 is given as text with U+FFFD in place of the invalid bytes\n"                   \
    "and, exactly, as \"path_bytes\": an array of its byte values.\n"
#define SKERROW_SCAN_HELP                                                                                    \
    "Each file counts once, however often it is reached (named twice, through a\n"                           \
    "link to its folder, as a hard link): the first path in sorted order stands for it.\n"                   \
    "Files met below a PATH and named like the temporary file of an interrupted save\n"                      \
    "(.NAME.skerrow-XXXXXX) are passed over; a file named as a PATH is always read.\n"                       \
    "One folder is held open at a time, so neither the number of PATHs nor the depth\n"                      \
    "is a limit. What cannot be read is told on standard error with the system's\n"                          \
    "reason (a folder that can be listed but not entered says so), and the scan goes\n"                      \
    "on.\n"                                                                                                  \
    "A disk image met as a file (told by its FAT boot sector, whatever its name) is\n"                       \
    "entered like a folder: each voice file inside it, in any of its folders, counts\n"                      \
    "as IMAGE/FOLDER/NAME.\n"
#define SKERROW_IMAGE_PATH_HELP                                                                              \
    "A floppy disk image is a folder: DISK01.img/BANKS/BRASS.1BK names a file inside\n"                      \
    "it. A path is looked up on the file system first, and only a part that is a\n"                          \
    "plain file with a FAT boot sector is entered, whatever its extension.\n"
#define SKERROW_SCAN_EXIT_HELP                                                                               \
    "Exit status: 0 done; 1 a PATH does not exist, or a file or folder was passed over\n"                    \
    "for an error (after listing the rest); 2 usage error.\n"

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> table = {
        {"list",
         {{"--json", false}},
         "skerrow-cli list [--json] FILE",
         "Opens FILE as File > Open does and prints one line per listed voice: its slot\n"
         "number, a tab and its name exactly as stored (up to 10 bytes, trailing blanks\n"
         "kept, no character set conversion).\n"
         "\n"
         "  --json        one JSON object per voice and line: {\"slot\": 1, \"name\": \"...\"}\n"
         "\n" SKERROW_IMAGE_PATH_HELP "\n" SKERROW_OUTPUT_HELP "\n" SKERROW_JSON_HELP "\n"
         "Exit status: 0 listed; 1 the file was refused (the file and the reason on\n"
         "standard error); 2 usage error.\n",
         RunList},
        {"info",
         {{"--json", false}},
         "skerrow-cli info [--json] FILE",
         "Prints the format, the slot count, the number of listed voices and the size of\n"
         "FILE, and whether the voice block of every listed voice is present.\n"
         "\n"
         "  --json        one JSON object: path, format, slots, voices, size and\n"
         "                missing_blocks (the slots without a block)\n"
         "\n" SKERROW_IMAGE_PATH_HELP "\n"
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
         "refused, naming the extension wanted. Bytes 0 to 49 of the new file come from the\n"
         "last SOURCE. At most 128 voices; none at all is refused, naming the SOURCEs.\n"
         "\n"
         "A SOURCE is split at its last ':' only when what follows is a selection, so\n"
         "a:b.1bk names a file. To name a file whose own name ends in ':' and a number,\n"
         "give it a selection of its own: old.1bk:2:1-16 takes slots 1 to 16 of old.1bk:2.\n"
         "\n" SKERROW_IMAGE_PATH_HELP
         "An OUTPUT inside an image is written into it under an 8.3 name (upper case, at\n"
         "most 8 characters, a dot and 3 more), replacing a file of that name there; the\n"
         "image file itself is replaced safely, as any OUTPUT is. A name that does not fit,\n"
         "or an image too full for the file, is refused and the image left as it was.\n"
         "\n"
         "  --sort        sort the voices by name (byte order, case-sensitive) first\n"
         "\n"
         "Exit status: 0 written; 1 a source was refused or the write failed (OUTPUT is\n"
         "left as it was); 2 usage error (an empty argument, an invalid selection of an\n"
         "existing file), a slot that is not a listed voice, more than 128 voices, no\n"
         "voice at all, or a refused extension (nothing is written); 4 OUTPUT was written\n"
         "but the line saying so could not be (standard output full or closed).\n",
         RunCheckedBuild},
        {"find",
         {{"--name", true}, {"--verbose", false}, {"--json", false}, {"-0", false}, {"--null", false}},
         "skerrow-cli find [--name TEXT] [--verbose] [--json | -0] PATH...",
         "Prints path<TAB>slot<TAB>name for every listed voice of every voice file under\n"
         "the PATHs (any extension; symbolic links below a PATH are not followed), sorted\n"
         "by path, then slot. Only the head of each file is read.\n"
         "\n"
         "  --name TEXT   only voices whose name contains TEXT (ASCII letters in any case);\n"
         "                in a UTF-8 locale TEXT is taken as the Latin-1 bytes of its\n"
         "                characters where they have one, as names are shown (given once)\n"
         "  --verbose     say on standard error why a file was passed over\n"
         "  --json        one JSON object per voice and line: path, slot, name\n"
         "  -0, --null    end each record with a NUL instead of a line feed (for xargs -0)\n"
         "\n" SKERROW_SCAN_HELP "\n" SKERROW_OUTPUT_HELP "\n" SKERROW_JSON_HELP "\n" SKERROW_SCAN_EXIT_HELP,
         RunFind},
        {"dupes",
         {{"--verbose", false}, {"--json", false}, {"-0", false}, {"--null", false}},
         "skerrow-cli dupes [--verbose] [--json | -0] PATH...",
         "Finds the voices whose 3072 bytes of voice data are identical, whatever their\n"
         "names, among the listed voices of every voice file under the PATHs. Prints each\n"
         "group of two or more as path<TAB>slot<TAB>name lines, groups separated by an\n"
         "empty line. Listed voices whose blocks are missing from a file are skipped with\n"
         "one warning for the file, or only with --verbose when its size is no whole number\n"
         "of blocks (then it is most likely no voice file at all). Voice data is compared\n"
         "by a hash keyed anew for every run, then byte for byte, so no collection can be\n"
         "made to slow it down; a file that changes meanwhile is told once and left out.\n"
         "\n"
         "  --verbose     say on standard error why a file was passed over\n"
         "  --json        one JSON object per group and line: {\"voices\": [{path, slot,\n"
         "                name}, ...]}\n"
         "  -0, --null    end each record with a NUL instead of a line feed; groups are\n"
         "                separated by an empty record\n"
         "\n" SKERROW_SCAN_HELP "\n" SKERROW_OUTPUT_HELP "\n" SKERROW_JSON_HELP "\n" SKERROW_SCAN_EXIT_HELP,
         RunDupes},
        {"image",
         {{"--720k", false}, {"--1440k", false}},
         "skerrow-cli image new (--720k | --1440k) IMAGE",
         "Makes IMAGE an empty floppy disk image of the standard FAT12 layout for its size,\n"
         "as floppy drive emulators serve them: 737,280 bytes for 720 KB double density,\n"
         "1,474,560 bytes for 1.44 MB high density. An existing file is never overwritten.\n"
         "\n"
         "  --720k        a 720 KB image (2 sectors a cluster, 112 root entries, media 0xF9)\n"
         "  --1440k       a 1.44 MB image (1 sector a cluster, 224 root entries, media 0xF0)\n"
         "\n"
         "Exit status: 0 written; 1 IMAGE exists or could not be written whole (nothing is\n"
         "left behind); 2 usage error; 4 IMAGE was written but the line saying so could not\n"
         "be.\n",
         RunImage},
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

int RunCheckedBuild(const Arguments& args, const Console& console)
{
    for (std::size_t i = 1; i < args.operands.size(); ++i) {
        if (const auto problem = InvalidSelection(args.operands[i]))
            return UsageError(console, "build", *problem);
    }
    return RunBuild(args, console);
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
        for (const std::string& operand : parsed.operands) {
            if (operand.empty())
                return UsageError(console, command->name, "empty argument");
        }
        if (parsed.Has("--json") && (parsed.Has("-0") || parsed.Has("--null")))
            return UsageError(console, command->name, "--json and --null exclude each other");
        return command->run(parsed, console);
    }
    if (first.size() > 1 && first[0] == '-')
        return UsageError(console, "", "unknown option '" + first + "'");
    return UsageError(console, "", "unknown command '" + first + "'");
}

}  // namespace skerrow
