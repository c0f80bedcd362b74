#include "cli/block_hash.h"
#include "cli/block_index.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <map>

namespace skerrow {
namespace {

// Blocks by key, as the files would give them back; a key missing here cannot be read again.
struct Blocks {
    std::map<VoiceKey, std::string> stored;
    int loads = 0;

    BlockIndex::Loader Loader()
    {
        return [this](VoiceKey key, std::string& block) {
            ++loads;
            const auto found = stored.find(key);
            if (found == stored.end())
                return false;
            block = found->second;
            return true;
        };
    }
};

TEST(BlockIndexTest, EqualHashesWithDifferentBytesMakeDifferentSets)
{
    for (const std::size_t budget : {std::size_t{0}, std::size_t{1} << 20}) {
        SCOPED_TRACE(budget);
        Blocks blocks;
        const std::string a = test::BlockFor(1, 1);
        std::string b = a;
        b.back() = static_cast<char>(b.back() ^ 0x80);
        const VoiceKey k1 = MakeVoiceKey(0, 1), k2 = MakeVoiceKey(0, 2), k3 = MakeVoiceKey(5, 1),
                       k4 = MakeVoiceKey(9, 128);
        blocks.stored = {{k1, a}, {k2, b}, {k3, a}, {k4, b}};
        BlockIndex index(blocks.Loader(), budget);

        // One hash for all four, as a weak hash could give: only the bytes tell them apart.
        constexpr std::uint64_t Hash = 42;
        EXPECT_EQ(index.Add(Hash, k1, a), k1);
        EXPECT_EQ(index.Add(Hash, k2, b), k2);
        EXPECT_EQ(index.Add(Hash, k3, a), k1);
        EXPECT_EQ(index.Add(Hash, k4, b), k2);
        EXPECT_TRUE(index.Unreadable().empty());
        // With room to keep them, each set's first block is read again once only.
        if (budget > 0) {
            EXPECT_EQ(blocks.loads, 2);
        }
    }
}

TEST(BlockIndexTest, AVoiceThatCannotBeReadAgainStandsForNothing)
{
    Blocks blocks;
    const std::string a = test::BlockFor(2, 3);
    const VoiceKey gone = MakeVoiceKey(1, 1), k2 = MakeVoiceKey(2, 1), k3 = MakeVoiceKey(3, 1);
    blocks.stored = {{k2, a}, {k3, a}};
    BlockIndex index(blocks.Loader(), 1 << 20);

    const std::uint64_t hash = BlockHash(a);
    EXPECT_EQ(index.Add(hash, gone, a), gone);
    EXPECT_EQ(index.Add(hash, k2, a), k2);
    EXPECT_EQ(index.Add(hash, k3, a), k2);
    EXPECT_EQ(index.Unreadable(), std::vector<VoiceKey>{gone});
}

TEST(BlockIndexTest, ManyDistinctBlocksEachStandAlone)
{
    Blocks blocks;
    BlockIndex index(blocks.Loader(), 0);
    for (int i = 0; i < 5000; ++i) {
        std::string block(3072, '\0');
        block[static_cast<std::size_t>(i % 3072)] = static_cast<char>(1 + i / 3072);
        const VoiceKey key = MakeVoiceKey(static_cast<std::uint64_t>(i), 1);
        ASSERT_EQ(index.Add(BlockHash(block), key, block), key) << i;
    }
    EXPECT_EQ(blocks.loads, 0);
}

TEST(BlockHashTest, EveryByteCounts)
{
    const std::string block = test::BlockFor(3, 4);
    const std::uint64_t hash = BlockHash(block);
    for (const std::size_t at : {std::size_t{0}, std::size_t{7}, std::size_t{1535}, std::size_t{3071}}) {
        std::string changed = block;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_NE(BlockHash(changed), hash) << at;
    }
    EXPECT_EQ(BlockHash(test::BlockFor(3, 4)), hash);
}

}  // namespace
}  // namespace skerrow
