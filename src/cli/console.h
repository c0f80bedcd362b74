#pragma once

#include "cli/console_platform.h"
#include "core/memory_librarian.h"

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
struct ConsoleLibrarian : MemoryLibrarian<ConsolePlatform> {
    explicit ConsoleLibrarian(const Console& console) : MemoryLibrarian(console.err, console.errIsTerminal) {}
};

// "single voice (.1vc)", "bank (.1bk)" or "all voices (.avc)" for slot counts 1, 16 and 128.
std::string FormatName(int slots);

}  // namespace skerrow
