#pragma once

#include <functional>
#include <string>
#include <vector>

namespace skerrow::test {

struct ToolRun {
    int exitCode = -1;  // the exit status, or 128 + signal number when the tool was killed
    std::string out;
    std::string err;
};

struct ToolOptions {
    std::string workDir;        // the current folder when empty
    bool errTerminal = false;   // standard error is a terminal
    bool outTerminal = false;   // standard output is a terminal (raw: no line-end translation)
    std::string locale;         // LC_ALL for the tool, when given
    bool unprivileged = false;  // the tool runs as uid and gid 65534, so that modes count
    std::string outFile;        // standard output goes to this existing file (e.g. /dev/full)
    int fileLimit = 0;          // when set, the most descriptors the tool may open (soft and hard limit)
    // Run in the child before the tool starts (and before rights are dropped); false stops the
    // run with CannotPrepare.
    std::function<bool()> prepare;
    // When set, standard error is a small pipe that is not read until the tool has filled it
    // and stalls on its next message; then this runs, while the tool waits.
    std::function<void()> whileErrStalls;
};

// The exit code of a run as an unprivileged user that could not drop its rights.
inline constexpr int CannotDropRights = 126;
// The exit code of a run whose prepare step failed.
inline constexpr int CannotPrepare = 125;

// Runs the built skerrow-cli with args, with no standard input.
ToolRun RunTool(const std::vector<std::string>& args, const ToolOptions& options);

// Runs the built skerrow-cli with args in folder workDir (the current one when empty), with no
// standard input. Standard error is a terminal when errTerminal is set.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& workDir = {},
                bool errTerminal = false);

// The bytes of a voice file with the given slot count, names and voice blocks (in slot order;
// slots without a block given are left out, so the file may be short), preamble from fileId.
std::string VoiceFileWithBlocks(int slotCount, const std::vector<std::string>& names,
                                const std::vector<std::string>& blocks, std::uint8_t fileId = 1);

}  // namespace skerrow::test
