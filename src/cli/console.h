#pragma once

#include "cli/console_platform.h"
#include "core/librarian.h"
#include "core/memory_views.h"

#include <cstdio>
#include <string_view>

namespace skerrow {

// Exit codes of skerrow-cli.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;     // a refused or unreadable file, a failed write
inline constexpr int ExitUsage = 2;       // a command line or a request that cannot be carried out
inline constexpr int ExitIncomplete = 3;  // info: the file lacks some of its voice blocks

// The streams a command writes to. errIsTerminal allows a progress line on err.
struct Console {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool errIsTerminal = false;
};

void Write(std::FILE* stream, std::string_view text);

// Writes "path<TAB>slot<TAB>name<LF>", the line of one voice that find and dupes print.
void WriteVoiceLine(std::FILE* stream, std::string_view path, int slot, std::string_view name);

// Flushes out; a failed write to it (a full disk, a closed pipe) becomes a message and a failure.
int FinishOutput(const Console& console, int exitCode);

// The librarian the window would have, with list views in memory and the console's platform.
struct ConsoleLibrarian {
    explicit ConsoleLibrarian(const Console& console) : platform(console.err, console.errIsTerminal) {}

    LibraryState state;
    MemoryListView List1;
    MemoryListView List2;
    MemoryTextView Text1;
    MemoryTextView Text2;
    MemoryTextView caption{"Skerrow (no open file)"};
    ConsolePlatform platform;
    Librarian lib{state, List1, List2, Text1, Text2, caption, platform};
};

// "single voice (.1vc)", "bank (.1bk)" or "all voices (.avc)" for slot counts 1, 16 and 128.
std::string FormatName(int slots);

}  // namespace skerrow
