#pragma once

#include <cstdio>
#include <string_view>

namespace skerrow {

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

}  // namespace skerrow
