#include "editing/drop_entries.h"

#include "dest_fixture.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using test::AddDest;
using test::EntryFor;
using test::FillDest;
using test::Letters;
using test::TestLibrarian;

// Source voices have small letters, destination entries capitals, so every name says where its
// entry must point.
const std::string SourceLetters = "vwxyz";
const std::string SourcePath = "/voices/source.1bk";

enum class Drop { FromSource, WithinDestination };

struct DropCase {
    const char* label;
    Drop drop;
    std::string before;
    std::vector<int> destSelected;
    std::vector<int> sourceSelected;
    int row;
    std::string after;
    std::vector<int> selectedAfter;
};

void PrintTo(const DropCase& c, std::ostream* os)
{
    *os << c.label;
}

::testing::AssertionResult EntriesMatchNames(const TestLibrarian& t)
{
    for (int k = 0; k < t.List2.Count(); ++k) {
        const std::string name = t.List2.Text(k);
        const auto voice = SourceLetters.find(name);
        const DestEntry expected = voice == std::string::npos
                                       ? EntryFor(name)
                                       : DestEntry{SourcePath, static_cast<std::int16_t>(voice + 1)};
        if (t.state.DestEntries[static_cast<size_t>(k)] != expected)
            return ::testing::AssertionFailure() << "item " << k << " (" << name << ") has a stray entry";
    }
    return ::testing::AssertionSuccess();
}

class DropEntriesTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropEntriesTest, DroppedEntriesLandInTheGapWithTheirEntries)
{
    const DropCase& c = GetParam();
    TestLibrarian t;
    t.state.CurrentSourcePath = SourcePath;
    for (const std::string& name : Letters(SourceLetters))
        t.List1.AddItem(name);
    for (const int i : c.sourceSelected)
        t.List1.SetSelected(i, true);
    FillDest(t, Letters(c.before), c.destSelected);
    t.Text2.SetText("untouched");
    t.state.ListSaved = FlagTrue;

    if (c.drop == Drop::FromSource)
        InsertVoicesAt(t.lib, c.row);
    else
        MoveEntriesTo(t.lib, c.row);

    EXPECT_EQ(t.DestNames(), Letters(c.after));
    EXPECT_EQ(t.DestSelection(), c.selectedAfter);
    EXPECT_TRUE(EntriesMatchNames(t));
    EXPECT_TRUE(t.platform.calls.empty());
    if (c.drop == Drop::FromSource) {
        EXPECT_EQ(t.Text2.Text(), CountText(t.List2.Count()));
        EXPECT_EQ(t.state.ListSaved, FlagFalse) << "a drop from the source counts as a copy";
        for (const int i : c.sourceSelected)
            EXPECT_TRUE(t.List1.Selected(i)) << "the source selection stays";
    } else {
        EXPECT_EQ(t.Text2.Text(), "untouched");
        EXPECT_EQ(t.state.ListSaved, FlagTrue) << "reordering keeps the list saved, as the buttons do";
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, DropEntriesTest, ::testing::Values(
    DropCase{"InsertAtTopKeepsTheSelectionOnItsEntries", Drop::FromSource, "ABC", {1}, {0, 2}, 0, "vxABC", {3}},
    DropCase{"InsertInTheMiddle", Drop::FromSource, "ABC", {}, {3}, 2, "AByC", {}},
    DropCase{"InsertAtTheEnd", Drop::FromSource, "ABC", {}, {4, 1}, 3, "ABCwz", {}},
    DropCase{"InsertBeforeASelectedEntry", Drop::FromSource, "ABC", {1}, {0}, 1, "AvBC", {2}},
    DropCase{"InsertIntoAnEmptyList", Drop::FromSource, "", {}, {1, 2}, 0, "wx", {}},
    DropCase{"InsertPastTheEndGoesToTheEnd", Drop::FromSource, "AB", {}, {0}, 7, "ABv", {}},
    DropCase{"InsertAboveTheTopGoesToTheTop", Drop::FromSource, "AB", {}, {0}, -1, "vAB", {}},
    DropCase{"InsertWithNothingSelected", Drop::FromSource, "AB", {0}, {}, 1, "AB", {0}},
    DropCase{"MoveToTheTop", Drop::WithinDestination, "ABCDE", {2, 4}, {}, 0, "CEABD", {0, 1}},
    DropCase{"MoveNonContiguousToTheMiddle", Drop::WithinDestination, "ABCDE", {0, 3}, {}, 2, "BADCE", {1, 2}},
    DropCase{"MoveToTheEnd", Drop::WithinDestination, "ABCDE", {0, 2}, {}, 5, "BDEAC", {3, 4}},
    DropCase{"MoveOntoItsOwnRunChangesNothing", Drop::WithinDestination, "ABCDE", {1, 2}, {}, 2, "ABCDE", {1, 2}},
    DropCase{"MoveJustBelowItsOwnRunChangesNothing", Drop::WithinDestination, "ABCDE", {1, 2}, {}, 3, "ABCDE", {1, 2}},
    DropCase{"MoveOntoOneOfTheSelected", Drop::WithinDestination, "ABCDE", {1, 3}, {}, 3, "ACBDE", {2, 3}},
    DropCase{"MovePastTheEndGoesToTheEnd", Drop::WithinDestination, "ABCD", {1}, {}, 9, "ACDB", {3}},
    DropCase{"MoveWithNothingSelected", Drop::WithinDestination, "ABCD", {}, {}, 0, "ABCD", {}},
    DropCase{"MoveEverything", Drop::WithinDestination, "ABCD", {0, 1, 2, 3}, {}, 1, "ABCD", {0, 1, 2, 3}}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.label); });
// clang-format on

// A drop that does not fit inserts what does, in the dropped gap, and says so once, as the copy
// button's selection mode does.
TEST(DropEntriesLimitTest, InsertsWhatFitsThenShowsTheSelectionsMessage)
{
    for (const int filled : {127, 128}) {
        SCOPED_TRACE(filled);
        TestLibrarian t;
        t.state.CurrentSourcePath = SourcePath;
        for (const std::string& name : Letters(SourceLetters))
            t.List1.AddItem(name);
        for (const int i : {1, 2, 4})
            t.List1.SetSelected(i, true);
        for (int k = 0; k < filled; ++k)
            AddDest(t, k == 0 ? "A" : "B");
        t.state.ListSaved = FlagTrue;

        InsertVoicesAt(t.lib, 1);

        ASSERT_EQ(t.List2.Count(), MaxDestEntries);
        EXPECT_EQ(t.List2.Text(0), "A");
        EXPECT_EQ(t.List2.Text(1), filled == 127 ? "w" : "B");
        EXPECT_EQ(t.List2.Text(2), "B");
        EXPECT_TRUE(EntriesMatchNames(t));
        ASSERT_EQ(t.platform.Messages().size(), 1u);
        EXPECT_EQ(t.platform.Messages()[0].text, "Destination list is full.");
        EXPECT_EQ(t.platform.Messages()[0].title, "Info");
        EXPECT_EQ(t.Text2.Text(), "128 entries");
        EXPECT_EQ(t.state.ListSaved, FlagFalse);
    }
}

}  // namespace
}  // namespace skerrow
