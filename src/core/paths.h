#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace skerrow {

// Plain string helpers for paths, byte for byte: names are never transcoded.

// The last part of path: "bank.1bk" for "voices/bank.1bk" (and for "voices\\bank.1bk" on Windows);
// path itself when it has no separator.
std::string FileNameOf(const std::string& path);

// The folder part of path: "voices" for "voices/bank.1bk", "." for a bare name, "/" at the root.
std::string FolderOf(const std::string& path);

// The separator that joins names below path: '/' on POSIX. On Windows the one path already uses
// last, so that a path is never printed with two kinds; '\\' in a "\\?\" path, which takes no
// other, and in a path that has none yet.
char SeparatorFor(std::string_view path);

// folder + separator + name, without doubling a separator that folder already ends with. The
// '/'s of name (a path inside a disk image) become folder's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The length of what path starts from, which no split may cut: "/" on POSIX; on Windows a drive
// ("C:", "C:\"), a share ("\\server\share\") and a "\\?\", "\\.\" or "//?/" prefix with the drive,
// share or device that follows it. 0 for a relative path.
std::size_t PathRootLength(std::string_view path);

}  // namespace skerrow
