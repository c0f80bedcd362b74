#include "cli/block_index.h"

#include <algorithm>

namespace skerrow {

BlockIndex::BlockIndex(Loader load, std::size_t cacheBudget)
    : m_load(std::move(load)), m_cacheBudget(cacheBudget), m_shards(ShardCount)
{
}

BlockIndex::Representative* BlockIndex::Find(Shard& shard, std::uint64_t hash)
{
    if (shard.table.empty())
        return nullptr;
    const std::size_t mask = shard.table.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Representative& place = shard.table[i];
        if (place.key == NoVoice)
            return nullptr;
        if (place.hash == hash)
            return &place;
    }
}

void BlockIndex::Insert(Shard& shard, const Representative& representative)
{
    if (2 * (shard.used + 1) > shard.table.size()) {
        std::vector<Representative> old(std::max<std::size_t>(1024, 2 * shard.table.size()));
        old.swap(shard.table);
        shard.used = 0;
        for (const Representative& moved : old) {
            if (moved.key != NoVoice)
                Insert(shard, moved);
        }
    }
    const std::size_t mask = shard.table.size() - 1;
    std::size_t i = representative.hash & mask;
    while (shard.table[i].key != NoVoice)
        i = (i + 1) & mask;
    shard.table[i] = representative;
    ++shard.used;
}

VoiceKey BlockIndex::Add(std::uint64_t hash, VoiceKey key, std::string_view block)
{
    Shard& shard = m_shards[hash >> 58];  // the top bits: the table inside uses the low ones
    const std::lock_guard lock(shard.mutex);
    Representative* first = Find(shard, hash);
    if (!first) {
        Insert(shard, {hash, key});
        return key;
    }
    if (Equal(shard, *first, block))
        return first->key;
    for (Representative& representative : shard.collisions) {
        if (representative.hash == hash && Equal(shard, representative, block))
            return representative.key;
    }
    shard.collisions.push_back({hash, key});
    return key;
}

bool BlockIndex::Equal(Shard& shard, Representative& representative, std::string_view block)
{
    if (representative.unreadable)
        return false;
    if (representative.cached >= 0)
        return shard.cache[static_cast<std::size_t>(representative.cached)] == block;

    std::string bytes;
    if (!m_load(representative.key, bytes)) {
        representative.unreadable = true;
        const std::lock_guard lock(m_unreadableMutex);
        m_unreadable.push_back(representative.key);
        return false;
    }
    const bool equal = bytes == block;
    if (m_cached.fetch_add(bytes.size()) + bytes.size() <= m_cacheBudget) {
        representative.cached = static_cast<std::int32_t>(shard.cache.size());
        shard.cache.push_back(std::move(bytes));
    } else {
        m_cached.fetch_sub(bytes.size());
    }
    return equal;
}

std::vector<VoiceKey> BlockIndex::Unreadable()
{
    const std::lock_guard lock(m_unreadableMutex);
    return m_unreadable;
}

}  // namespace skerrow
