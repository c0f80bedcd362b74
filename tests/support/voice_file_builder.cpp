#include "voice_file_builder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace skerrow::test {

namespace {
constexpr std::size_t BlockSize = 3072;
}

std::string PreambleFor(std::uint8_t fileId)
{
    std::string preamble(50, '\0');
    for (std::size_t i = 0; i < preamble.size(); ++i)
        preamble[i] = static_cast<char>(static_cast<unsigned>(fileId) * 7u + i * 3u + 1u);
    return preamble;
}

std::string BlockFor(std::uint8_t fileId, int slot)
{
    std::string block(BlockSize, '\0');
    block[0] = static_cast<char>(fileId);
    block[1] = static_cast<char>(slot);
    for (std::size_t i = 2; i < block.size(); ++i)
        block[i] = static_cast<char>(
            (static_cast<unsigned>(fileId) * 31u + static_cast<unsigned>(slot) * 17u + i) & 0xFF);
    return block;
}

std::string BuildVoiceFile(const VoiceFileSpec& spec)
{
    std::string bytes(BlockSize, '\0');
    const std::string preamble = spec.preamble.value_or(PreambleFor(spec.fileId));
    std::copy_n(preamble.begin(), std::min<std::size_t>(preamble.size(), 50), bytes.begin());
    bytes[50] = static_cast<char>(spec.slotCount & 0xFF);
    for (std::size_t k = 0; k < spec.names.size() && k < 128; ++k) {
        std::string field = spec.names[k].substr(0, 10);
        field.resize(10, spec.namePad);
        std::copy(field.begin(), field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(1024 + 16 * k));
    }
    const bool validCount = spec.slotCount == 1 || spec.slotCount == 16 || spec.slotCount == 128;
    const int blocks = spec.blocks.value_or(validCount ? spec.slotCount : 0);
    for (int s = 1; s <= blocks; ++s)
        bytes += BlockFor(spec.fileId, s);
    if (spec.truncateTo)
        bytes.resize(*spec.truncateTo);
    return bytes;
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write test file " + path.string());
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read test file " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> NumberedNames(int count, const std::string& stem)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(stem + std::to_string(i));
    return names;
}

TempDir::TempDir()
{
    // A folder of a random name that no one else holds yet (mkdtemp is POSIX only).
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_path = std::filesystem::temp_directory_path() /
                 (std::string("skerrow-test-") + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(m_path, ec))
            return;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ExpectedFile(const std::string& preamble, int slots, const std::vector<ExpectedVoice>& voices)
{
    std::string bytes = preamble.substr(0, 50);
    bytes.resize(50, '\0');
    bytes += static_cast<char>(slots);
    bytes.append(1024 - 51, '\0');
    for (const ExpectedVoice& voice : voices) {
        std::string field = voice.name.substr(0, 10);
        field.resize(10, ' ');
        bytes += field;
        bytes.append(6, '\0');
    }
    bytes.append(16 * (128 - voices.size()), '\0');
    for (const ExpectedVoice& voice : voices)
        bytes += voice.block;
    bytes.append(3072 * (static_cast<std::size_t>(slots) - voices.size()), '\0');
    return bytes;
}

}  // namespace skerrow::test
