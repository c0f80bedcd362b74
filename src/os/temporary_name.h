#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace skerrow {

// A save writes its new file beside the target under ".<target name>.skerrow-XXXXXX" (hidden, and
// marked as ours) and renames it into place once complete. Only a save that was killed leaves
// one behind; it holds a valid head, so scanners must know it for what it is.
namespace temporary_name {

inline constexpr std::string_view Marker = ".skerrow-";
inline constexpr std::size_t RandomLength = 6;
// Room for the dot, the marker and the random part within the usual 255-byte name limit.
inline constexpr std::size_t StemLimit = 200;

// The temporary name for a target named targetName, before its random part.
std::string StemFor(const std::string& targetName);

// A random part of RandomLength letters and digits, the characters IsTemporaryFileName expects.
std::string RandomPart(std::mt19937_64& generator);

}  // namespace temporary_name

// Whether fileName (a name, not a path) has the form a save gives its temporary file.
bool IsTemporaryFileName(std::string_view fileName);

}  // namespace skerrow
