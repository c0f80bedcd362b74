#include "cli/console.h"

#include "voicefile/layout.h"

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

std::string FormatName(int slots)
{
    const std::string kind = slots == 1 ? "single voice" : slots == 16 ? "bank" : "all voices";
    return kind + " (." + std::string(layout::ExtensionFor(slots)) + ")";
}

}  // namespace skerrow
