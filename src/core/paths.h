#pragma once

#include <string>

namespace skerrow {

// Plain string helpers for paths, byte for byte: names are never transcoded.

// The last part of path: "bank.1bk" for "voices/bank.1bk" (and for "voices\\bank.1bk" on Windows);
// path itself when it has no separator.
std::string FileNameOf(const std::string& path);

// The folder part of path: "voices" for "voices/bank.1bk", "." for a bare name, "/" at the root.
std::string FolderOf(const std::string& path);

// folder + "/" + name, without doubling a slash that folder already ends with.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace skerrow
