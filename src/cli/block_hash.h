#pragma once

#include <cstdint>
#include <string_view>

namespace skerrow {

// A fast 64-bit hash of a voice block. It only narrows the search for equal blocks: equal
// blocks always hash equal, and blocks with equal hashes are still compared byte for byte.
std::uint64_t BlockHash(std::string_view bytes);

}  // namespace skerrow
