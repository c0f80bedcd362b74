#include "editing/move_entries.h"

#include "dest_fixture.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using test::DestIsParallel;
using test::FillDest;
using test::Letters;
using test::TestLibrarian;

enum class Direction { Up, Down };

struct MoveCase {
    const char* label;
    Direction direction;
    std::string before;
    std::vector<int> selectedBefore;
    std::string after;
    std::vector<int> selectedAfter;
};

void PrintTo(const MoveCase& c, std::ostream* os)
{
    *os << c.label;
}

void Move(Librarian& lib, Direction direction)
{
    if (direction == Direction::Up)
        MoveSelectedUp(lib);
    else
        MoveSelectedDown(lib);
}

class MoveEntriesTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveEntriesTest, MovesSelectedRunsAndKeepsEntriesParallel)
{
    const MoveCase& c = GetParam();
    TestLibrarian t;
    FillDest(t, Letters(c.before), c.selectedBefore);
    t.Text2.SetText("untouched");
    t.state.ListSaved = FlagTrue;

    Move(t.lib, c.direction);

    EXPECT_EQ(t.DestNames(), Letters(c.after));
    EXPECT_EQ(t.DestSelection(), c.selectedAfter);
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.state.ListSaved, FlagTrue) << "reordering by the buttons keeps the list saved";
    EXPECT_EQ(t.Text2.Text(), "untouched");
    EXPECT_TRUE(t.platform.calls.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, MoveEntriesTest, ::testing::Values(
    MoveCase{"EmptyUp", Direction::Up, "", {}, "", {}},
    MoveCase{"EmptyDown", Direction::Down, "", {}, "", {}},
    MoveCase{"OneEntryUp", Direction::Up, "A", {0}, "A", {0}},
    MoveCase{"OneEntryDown", Direction::Down, "A", {0}, "A", {0}},
    MoveCase{"NothingSelectedUp", Direction::Up, "ABCDE", {}, "ABCDE", {}},
    MoveCase{"NothingSelectedDown", Direction::Down, "ABCDE", {}, "ABCDE", {}},
    MoveCase{"AllSelectedUp", Direction::Up, "ABCDE", {0, 1, 2, 3, 4}, "ABCDE", {0, 1, 2, 3, 4}},
    MoveCase{"AllSelectedDown", Direction::Down, "ABCDE", {0, 1, 2, 3, 4}, "ABCDE", {0, 1, 2, 3, 4}},
    MoveCase{"TopStaysUp", Direction::Up, "ABCDE", {0}, "ABCDE", {0}},
    MoveCase{"BottomStaysDown", Direction::Down, "ABCDE", {4}, "ABCDE", {4}},
    MoveCase{"TopMovesDown", Direction::Down, "ABCDE", {0}, "BACDE", {1}},
    MoveCase{"BottomMovesUp", Direction::Up, "ABCDE", {4}, "ABCED", {3}},
    MoveCase{"RunAtTopStaysOtherJoinsIt", Direction::Up, "ABCDE", {0, 2}, "ACBDE", {0, 1}},
    MoveCase{"RunAtBottomStaysOtherJoinsIt", Direction::Down, "ABCDE", {2, 4}, "ABDCE", {3, 4}},
    MoveCase{"RunMovesAsAWholeUp", Direction::Up, "ABCDEF", {2, 3, 4}, "ACDEBF", {1, 2, 3}},
    MoveCase{"RunMovesAsAWholeDown", Direction::Down, "ABCDEF", {1, 2, 3}, "AEBCDF", {2, 3, 4}},
    MoveCase{"SeveralRunsUp", Direction::Up, "ABCDE", {1, 3, 4}, "BADEC", {0, 2, 3}},
    MoveCase{"SeveralRunsDown", Direction::Down, "EDCBA", {0, 1, 3}, "CEDAB", {1, 2, 4}}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.label); });
// clang-format on

TEST(MoveEntriesSequenceTest, RepeatedPressesCarryTheSelectionUntilItReachesTheEnd)
{
    TestLibrarian t;
    FillDest(t, Letters("ABCDE"), {1, 3, 4});

    MoveSelectedUp(t.lib);
    EXPECT_EQ(t.DestNames(), Letters("BADEC"));
    MoveSelectedUp(t.lib);
    EXPECT_EQ(t.DestNames(), Letters("BDEAC"));
    EXPECT_EQ(t.DestSelection(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(DestIsParallel(t));

    MoveSelectedUp(t.lib);
    EXPECT_EQ(t.DestNames(), Letters("BDEAC")) << "a run at the top goes no further";

    for (int press = 0; press < 3; ++press)
        MoveSelectedDown(t.lib);
    EXPECT_EQ(t.DestNames(), Letters("ACBDE"));
    EXPECT_EQ(t.DestSelection(), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(DestIsParallel(t));
}

TEST(MoveEntriesSequenceTest, EqualNamesFromDifferentFilesMoveWithTheirOwnEntries)
{
    TestLibrarian t;
    test::AddDest(t, "Pad", false, 1);
    test::AddDest(t, "Pad", true, 2);

    MoveSelectedUp(t.lib);

    EXPECT_EQ(t.state.DestEntries[0], test::EntryFor("Pad", 2));
    EXPECT_EQ(t.state.DestEntries[1], test::EntryFor("Pad", 1));
    EXPECT_EQ(t.DestSelection(), (std::vector<int>{0}));
}

}  // namespace
}  // namespace skerrow
