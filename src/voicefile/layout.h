#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The one shared layout of .1vc, .1bk and .avc files: a 3072-byte head (preamble, slot count
// byte, reserved bytes, a 128-entry name directory) followed by one 3072-byte block per slot.
// The reader and the writer both take their numbers and rules from here.
namespace skerrow::layout {

inline constexpr std::size_t BlockSize = 3072;
inline constexpr std::size_t HeadSize = 3072;
inline constexpr std::size_t PreambleSize = 50;
inline constexpr std::size_t SlotCountOffset = 50;
inline constexpr std::size_t DirectoryOffset = 1024;
inline constexpr std::size_t EntrySize = 16;
inline constexpr std::size_t NameSize = 10;
inline constexpr int DirectoryEntries = 128;

// A file is told by its slot count byte alone: 1, 16 or 128.
constexpr bool IsValidSlotCount(unsigned value)
{
    return value == 1 || value == 16 || value == 128;
}

constexpr std::uint64_t FileSize(int slots)
{
    return static_cast<std::uint64_t>(BlockSize) * static_cast<std::uint64_t>(slots + 1);
}

// The block of slot s (1-based) starts right after the head for s = 1.
constexpr std::uint64_t BlockOffset(int slot)
{
    return static_cast<std::uint64_t>(BlockSize) * static_cast<std::uint64_t>(slot);
}

// Whether a source of size bytes holds the whole block of slot (1-based); a block cut short is
// missing. Slot 0 would be the head, not a voice.
constexpr bool HoldsBlock(std::uint64_t size, int slot)
{
    return slot >= 1 && FileSize(slot) <= size;
}

constexpr std::size_t EntryOffset(int entry)
{
    return DirectoryOffset + EntrySize * static_cast<std::size_t>(entry);
}

// The output format follows from the entry count alone: 1 voice, a bank of 16, or all 128.
constexpr int SaveSlotsFor(int entryCount)
{
    return entryCount == 1 ? 1 : entryCount <= 16 ? 16 : 128;
}

// "1vc", "1bk" or "avc" (no dot) for slot counts 1, 16 and 128.
std::string_view ExtensionFor(int slots);

// The names a head lists: directory entries 0 up to slotCount - 1, ending early at the first
// entry whose first byte is zero. Each name runs to its first zero byte, at most NameSize bytes.
std::vector<std::string> ListNames(std::string_view head, int slotCount);

// The 16 bytes of a written directory entry: the name cut or blank-padded to NameSize, then zeros.
std::string DirectoryEntry(std::string_view name);

}  // namespace skerrow::layout
