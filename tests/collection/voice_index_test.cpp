// The index behind the Find voices window: what a search shows and in which order.
#include "collection/voice_index.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

// Voices are numbered in the order added: 0 "Brass" (b/x.1bk:1), 1 "Pad", 2 "brass" (b/x.1bk:3),
// 3 "Br\xe4ss", 4 "Br\xc4ss", 5 "Brass" (a/y.1vc:1), 6 "BRASS 2" (a/z.avc:1), 7 "Pad" (a/z.avc:2).
const std::vector<FoundFile> FirstBatch = {
    {"b/x.1bk", 16, {"Brass", "Pad", "brass", "Br\xe4ss", "Br\xc4ss"}}};
const std::vector<FoundFile> SecondBatch = {{"a/y.1vc", 1, {"Brass"}}, {"a/z.avc", 128, {"BRASS 2", "Pad"}}};

VoiceIndex MakeIndex()
{
    VoiceIndex index;
    index.Add(FirstBatch);
    // A second batch, merged into the order of the first.
    index.Add(SecondBatch);
    // Two sets of equal blocks, each named by one of its voices: {7, 1} and {2, 5, 4}.
    index.SetDuplicates({{1, 1}, {1, 7}, {2, 2}, {2, 4}, {2, 5}});
    return index;
}

struct FilterCase {
    const char* label;
    std::string text;
    bool duplicatesOnly;
    std::vector<std::uint32_t> shown;
};

void PrintTo(const FilterCase& c, std::ostream* os)
{
    *os << c.label;
}

class VoiceIndexFilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(VoiceIndexFilterTest, ShowsTheMatchingVoicesInNameThenPathOrder)
{
    const VoiceIndex index = MakeIndex();
    EXPECT_EQ(index.Filter(GetParam().text, GetParam().duplicatesOnly), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VoiceIndexFilterTest,
    testing::Values(
        // Bytes compare unsigned: capitals, then small letters, then 0x80 and up; equal names by path.
        FilterCase{"empty text shows all", "", false, {6, 5, 0, 4, 3, 7, 1, 2}},
        FilterCase{"ASCII letters in any case", "rAS", false, {6, 5, 0, 2}},
        FilterCase{"bytes above 127 exactly", "\xe4", false, {3}},
        FilterCase{"no case folding above 127", "r\xc4s", false, {4}},
        FilterCase{"nothing matches", "brasss", false, {}},
        // Sets in the order of their first voice by name, by name within a set.
        FilterCase{"duplicates only", "", true, {5, 4, 2, 7, 1}},
        FilterCase{"duplicates only, filtered", "ad", true, {7, 1}}),
    [](const testing::TestParamInfo<FilterCase>& info) {
        std::string name;
        for (const char c : std::string(info.param.label))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(VoiceIndexTest, KeepsWhereEachVoiceLiesAndHowManyShareItsBlock)
{
    const VoiceIndex index = MakeIndex();
    EXPECT_EQ(index.Name(4), "Br\xc4ss");
    EXPECT_EQ(index.Path(index.FileOf(6)), "a/z.avc");
    EXPECT_EQ(index.Slot(7), 2);
    EXPECT_EQ(index.Slots(index.FileOf(7)), 128);
    EXPECT_EQ(index.SetSize(index.SetOf(5)), 3u);
    EXPECT_EQ(index.SetOf(6), VoiceIndex::NoSet);
}

TEST(VoiceIndexTest, TakesBatchesTogetherWithTheOrderMergedOnAnotherThread)
{
    VoiceIndex merged;
    std::vector<IndexBatch> batches;
    for (const std::vector<FoundFile>& files : {FirstBatch, SecondBatch}) {
        IndexBatch batch = VoiceIndex::Prepare(files);
        merged.Add(IndexBatch(batch));
        batches.push_back(std::move(batch));
    }
    VoiceIndex taken;
    taken.Add(std::move(batches), merged.Order());
    EXPECT_EQ(taken.Filter("", false), (std::vector<std::uint32_t>{6, 5, 0, 4, 3, 7, 1, 2}));
    EXPECT_EQ(taken.Path(taken.FileOf(2)), "b/x.1bk");
    EXPECT_EQ(taken.Path(taken.FileOf(6)), "a/z.avc");
    EXPECT_EQ(taken.Slot(7), 2);
}

}  // namespace
}  // namespace skerrow
