#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace skerrow::test {

// Describes a voice file for a test to write. Every block carries a recognisable pattern made
// from fileId and its slot, so a test can tell where a block in a written file came from.
struct VoiceFileSpec {
    int slotCount = 16;                // the byte at offset 50, written as is (may be invalid)
    std::vector<std::string> names{};  // directory entries 0.., each cut to 10 bytes
    char namePad = ' ';                // fills a name shorter than 10 bytes
    std::uint8_t fileId = 1;           // seeds the preamble and block patterns
    std::optional<std::string> preamble =
        std::nullopt;                          // the first 50 bytes; a pattern from fileId when unset
    std::optional<int> blocks = std::nullopt;  // voice blocks to write; slotCount (0 when invalid) when unset
    std::optional<std::size_t> truncateTo = std::nullopt;  // cut the finished file to this many bytes
};

std::string BuildVoiceFile(const VoiceFileSpec& spec);
std::string PreambleFor(std::uint8_t fileId);
std::string BlockFor(std::uint8_t fileId, int slot);

void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

// A voice of a file a writer must produce: its name and its block.
struct ExpectedVoice {
    std::string name;
    std::string block;
};

// The file a save must produce, built independently of the writer's own layout code: the
// preamble (cut or padded to 50 bytes), the count, the names, the blocks, zero blocks.
std::string ExpectedFile(const std::string& preamble, int slots, const std::vector<ExpectedVoice>& voices);

// "Name0", "Name1", ... for quick lists.
std::vector<std::string> NumberedNames(int count, const std::string& stem = "Voice");

// A fresh folder for one test, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path m_path;
};

}  // namespace skerrow::test
