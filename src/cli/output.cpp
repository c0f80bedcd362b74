#include "cli/output.h"

#include "cli/exit_codes.h"

#include <string>

namespace skerrow {

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

void WriteVoiceLine(std::FILE* stream, std::string_view path, int slot, std::string_view name)
{
    std::string line;
    line.reserve(path.size() + name.size() + 8);
    line.append(path);
    line += '\t';
    line += std::to_string(slot);
    line += '\t';
    line.append(name);
    line += '\n';
    Write(stream, line);
}

int FinishOutput(const Console& console, int exitCode)
{
    if (std::fflush(console.out) != 0 || std::ferror(console.out)) {
        Write(console.err, "Write error: standard output\n");
        return ExitFailure;
    }
    return exitCode;
}

}  // namespace skerrow
