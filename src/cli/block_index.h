#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace skerrow {

// Names one listed voice during a scan: the walk ordinal of its file and its slot.
using VoiceKey = std::uint64_t;

constexpr VoiceKey MakeVoiceKey(std::uint64_t ordinal, int slot)
{
    return ordinal << 8 | static_cast<std::uint64_t>(slot);
}

constexpr std::uint64_t OrdinalOf(VoiceKey key)
{
    return key >> 8;
}

constexpr int SlotOf(VoiceKey key)
{
    return static_cast<int>(key & 0xFF);
}

// Sorts voice blocks into sets of byte-for-byte equal ones while they are read, so that each file
// is read once: the first voice of each set stands for it, and a later voice with the same hash
// is compared with that voice's bytes, which are read again once and then kept, within a memory
// budget (past it they are read again for every comparison). Safe to call from several threads.
class BlockIndex {
public:
    // Reads the block of a voice added earlier; false when it can no longer be read.
    using Loader = std::function<bool(VoiceKey key, std::string& block)>;

    BlockIndex(Loader load, std::size_t cacheBudget);

    // Returns the key of the voice standing for the set whose bytes equal block: key itself when
    // no voice added before has these bytes.
    VoiceKey Add(std::uint64_t hash, VoiceKey key, std::string_view block);

    // Voices that stood for a set but could not be read again to be compared: their file changed
    // during the scan. No other voice was found equal to them.
    std::vector<VoiceKey> Unreadable();

private:
    static constexpr VoiceKey NoVoice = ~VoiceKey{0};

    struct Representative {
        std::uint64_t hash = 0;
        VoiceKey key = NoVoice;    // NoVoice marks a free place of the table
        std::int32_t cached = -1;  // index into its shard's cache, or -1
        bool unreadable = false;
    };
    // An open-addressing table: one cache miss per voice on a large library, no allocation per
    // voice, so that sorting blocks costs little next to reading them.
    struct Shard {
        std::mutex mutex;
        std::vector<Representative> table;  // a power of two in size, at most half full
        std::size_t used = 0;
        // Further sets under a hash already taken: different bytes with an equal hash.
        std::vector<Representative> collisions;
        std::vector<std::string> cache;
    };
    static constexpr std::size_t ShardCount = 64;  // one per value of the hash's top six bits

    static Representative* Find(Shard& shard, std::uint64_t hash);
    static void Insert(Shard& shard, const Representative& representative);
    bool Equal(Shard& shard, Representative& representative, std::string_view block);

    Loader m_load;
    std::size_t m_cacheBudget;
    std::atomic<std::size_t> m_cached{0};
    std::vector<Shard> m_shards;
    std::mutex m_unreadableMutex;
    std::vector<VoiceKey> m_unreadable;
};

}  // namespace skerrow
