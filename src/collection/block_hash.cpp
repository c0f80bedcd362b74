#include "collection/block_hash.h"

#include <cstring>

namespace skerrow {

namespace {

constexpr std::uint64_t Rotate(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

struct SipState {
    std::uint64_t v0, v1, v2, v3;

    void Round()
    {
        v0 += v1;
        v1 = Rotate(v1, 13) ^ v0;
        v0 = Rotate(v0, 32);
        v2 += v3;
        v3 = Rotate(v3, 16) ^ v2;
        v0 += v3;
        v3 = Rotate(v3, 21) ^ v0;
        v2 += v1;
        v1 = Rotate(v1, 17) ^ v2;
        v2 = Rotate(v2, 32);
    }

    void Absorb(std::uint64_t word)
    {
        v3 ^= word;
        Round();
        v0 ^= word;
    }
};

// In the machine's order: hashes never leave the run that made them.
std::uint64_t Load(const char* p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace

std::uint64_t BlockHash(const HashKey& key, std::string_view bytes)
{
    SipState s{key.k0 ^ 0x736f6d6570736575ull, key.k1 ^ 0x646f72616e646f6dull, key.k0 ^ 0x6c7967656e657261ull,
               key.k1 ^ 0x7465646279746573ull};
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; left -= 8, p += 8)
        s.Absorb(Load(p));
    std::uint64_t last = static_cast<std::uint64_t>(bytes.size()) << 56;
    for (std::size_t i = 0; i < left; ++i)
        last |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    s.Absorb(last);
    s.v2 ^= 0xff;
    s.Round();
    s.Round();
    s.Round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace skerrow
