#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the fuzz targets share: a private folder for the files one input makes (in memory where
// the system offers it, so that thousands of saves a second cost no disk), and a check that
// turns a broken promise into a crash libFuzzer keeps.
namespace skerrow::fuzz {

// The folder, created on first use and removed with everything in it when the process ends.
const std::string& WorkDir();
std::string WorkPath(const std::string& name);

// Removes everything inside the work folder.
void ClearWorkDir();
// Names in the work folder, sorted.
std::vector<std::string> WorkDirEntries();

// Returns false when the file cannot be written whole.
bool WriteFile(const std::string& path, std::string_view bytes);
// The bytes of a plain file, or nothing when there is none or it cannot be read.
std::optional<std::string> ReadFile(const std::string& path);

// Prints what failed and aborts, so that the input is saved as a crash.
[[noreturn]] void Fail(const std::string& what);
inline void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

}  // namespace skerrow::fuzz
