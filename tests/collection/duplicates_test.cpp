// Grouping equal voice blocks, in memory: the hash only narrows, the bytes decide.
#include "collection/block_hash.h"
#include "collection/duplicates.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

TEST(DuplicateSetsTest, VoicesSharingOneHashAreToldApartByTheirBytes)
{
    // Every voice has the same hash, as blocks made to collide would; "" cannot be read again.
    const std::vector<std::string> blocks = {"A", "B", "A", "C", "B", "A", "D", "", "C"};
    std::vector<HashedVoice> voices;
    for (std::uint32_t i = 0; i < blocks.size(); ++i)
        voices.push_back({7, i, 1});
    const auto read = [&](std::uint32_t file, const std::vector<int>& slots, std::vector<std::string>& out) {
        ASSERT_EQ(slots, std::vector<int>{1});
        out[0] = blocks[file];
    };
    const DuplicateSets sets = FindDuplicateSets(voices, read);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> members = {{0, 0}, {0, 2}, {0, 5}, {1, 1},
                                                                          {1, 4}, {3, 3}, {3, 8}};
    EXPECT_EQ(sets.members, members);
    EXPECT_EQ(sets.changed, std::vector<std::uint32_t>{7});

    // Voices whose hash no other shares are never read again.
    voices[1].hash = 8;
    voices[4].hash = 9;
    EXPECT_EQ(FindDuplicateSets(voices, read).members.size(), members.size() - 2);
}

TEST(BlockHashTest, EveryKeyGivesOtherHashes)
{
    const std::string block(3072, 'x');
    const std::uint64_t hash = BlockHash({1, 2}, block);
    EXPECT_EQ(BlockHash({1, 2}, block), hash);
    EXPECT_NE(BlockHash({1, 3}, block), hash);
    EXPECT_NE(BlockHash({3, 2}, block), hash);
    EXPECT_NE(BlockHash({1, 2}, std::string(3071, 'x') + 'y'), hash);
}

}  // namespace
}  // namespace skerrow
