#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace skerrow::fuzz {

namespace fs = std::filesystem;

namespace {

std::string MakeWorkDir()
{
    std::error_code error;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, error))
        base = fs::temp_directory_path(error);
    std::string pattern = (base / "skerrow-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

// Removes the folder at normal exit; a crash leaves it for the investigation.
struct WorkDirOwner {
    std::string path = MakeWorkDir();
    ~WorkDirOwner()
    {
        std::error_code error;
        fs::remove_all(path, error);
    }
};

}  // namespace

const std::string& WorkDir()
{
    static WorkDirOwner owner;
    return owner.path;
}

std::string WorkPath(const std::string& name)
{
    return WorkDir() + "/" + name;
}

void ClearWorkDir()
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(WorkDir(), error))
        fs::remove_all(entry.path(), error);
}

std::vector<std::string> WorkDirEntries()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(WorkDir(), error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadFile(const std::string& path)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(fs::file_size(path, error)), '\0');
    if (error || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) || in.peek() != EOF)
        return std::nullopt;
    return bytes;
}

void Fail(const std::string& what)
{
    std::fprintf(stderr, "\n*** broken promise: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace skerrow::fuzz
