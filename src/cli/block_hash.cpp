#include "cli/block_hash.h"

#include <cstring>

namespace skerrow {

namespace {

constexpr std::uint64_t Rotate(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

constexpr std::uint64_t Mix(std::uint64_t value)
{
    value ^= value >> 30;
    value *= 0xBF58476D1CE4E5B9ull;
    value ^= value >> 27;
    value *= 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

std::uint64_t Load(const char* p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace

std::uint64_t BlockHash(std::string_view bytes)
{
    // Four independent lanes keep the multiplier busy; a block is 3072 bytes, a multiple of 32.
    constexpr std::uint64_t Odd = 0x9E3779B97F4A7C15ull;
    std::uint64_t lanes[4] = {Odd, Odd ^ 1, Odd ^ 2, Odd ^ 3};
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 32; left -= 32, p += 32) {
        for (int l = 0; l < 4; ++l)
            lanes[l] = Rotate((lanes[l] ^ Load(p + 8 * l)) * Odd, 29);
    }
    std::uint64_t tail = left;
    for (std::size_t i = 0; i < left; ++i)
        tail = (tail << 8 | static_cast<unsigned char>(p[i])) * Odd;
    return Mix(lanes[0] ^ Rotate(lanes[1], 16) ^ Rotate(lanes[2], 32) ^ Rotate(lanes[3], 48) ^ Mix(tail) ^
               bytes.size());
}

}  // namespace skerrow
