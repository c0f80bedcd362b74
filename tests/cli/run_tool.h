#pragma once

#include <string>
#include <vector>

namespace skerrow::test {

struct ToolRun {
    int exitCode = -1;  // the exit status, or 128 + signal number when the tool was killed
    std::string out;
    std::string err;
};

// Runs the built skerrow-cli with args in folder workDir (the current one when empty), with no
// standard input. Standard error is a terminal when errTerminal is set.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& workDir = {},
                bool errTerminal = false);

// The bytes of a voice file with the given slot count, names and voice blocks (in slot order;
// slots without a block given are left out, so the file may be short), preamble from fileId.
std::string VoiceFileWithBlocks(int slotCount, const std::vector<std::string>& names,
                                const std::vector<std::string>& blocks, std::uint8_t fileId = 1);

}  // namespace skerrow::test
