#pragma once

#include <cstdint>
#include <string_view>

namespace skerrow {

// The secret of a BlockHash: draw it anew for each run, so that no file can be made to collide.
struct HashKey {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;
};

// A keyed 64-bit hash of a voice block (SipHash-1-3). It only narrows the search for equal
// blocks: equal blocks always hash equal under one key, and blocks with equal hashes are still
// compared byte for byte.
std::uint64_t BlockHash(const HashKey& key, std::string_view bytes);

}  // namespace skerrow
