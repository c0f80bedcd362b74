#include "editing/delete_entries.h"

#include "dest_fixture.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using test::DestIsParallel;
using test::EntryFor;
using test::FillDest;
using test::Letters;
using test::TestLibrarian;

struct DeleteCase {
    const char* label;
    std::string before;
    std::vector<int> selected;
    std::int16_t modifiers;
    std::string after;
};

void PrintTo(const DeleteCase& c, std::ostream* os)
{
    *os << c.label;
}

class DeleteSelectedTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteSelectedTest, RemovesTheSelectedEntriesAndRewritesTheCount)
{
    const DeleteCase& c = GetParam();
    TestLibrarian t;
    FillDest(t, Letters(c.before), c.selected);
    t.state.ListSaved = FlagTrue;
    t.state.ShiftHeld = c.modifiers;

    DeleteSelectedEntries(t.lib);

    EXPECT_EQ(t.DestNames(), Letters(c.after));
    EXPECT_TRUE(t.DestSelection().empty());
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.Text2.Text(), CountText(static_cast<int>(c.after.size())));
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_TRUE(t.platform.calls.empty()) << "no prompt off the Shift-alone path";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, DeleteSelectedTest, ::testing::Values(
    DeleteCase{"TwoApart", "ABCDE", {1, 3}, 0, "ACE"},
    DeleteCase{"AllSelected", "ABCDE", {0, 1, 2, 3, 4}, 0, ""},
    DeleteCase{"NoneSelectedStillRewritesTheCount", "ABCDE", {}, 0, "ABCDE"},
    DeleteCase{"RunsAtBothEnds", "ABCDEF", {0, 1, 4, 5}, 0, "CD"},
    DeleteCase{"OneEntry", "A", {0}, 0, ""},
    DeleteCase{"ShiftWithCtrlDeletesOnlySelected", "ABCDE", {2}, ShiftMask | CtrlMask, "ABDE"},
    DeleteCase{"ShiftWithAltDeletesOnlySelected", "ABCDE", {0}, ShiftMask | AltMask, "BCDE"},
    DeleteCase{"CtrlAloneDeletesOnlySelected", "ABCDE", {4}, CtrlMask, "ABCD"}),
    [](const ::testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.label); });
// clang-format on

TEST(DeleteSelectedEntriesTest, EmptyListDoesNothingEvenWithShift)
{
    for (const std::int16_t modifiers : {std::int16_t{0}, ShiftMask}) {
        TestLibrarian t;
        t.state.ListSaved = FlagTrue;
        t.Text2.SetText("before");
        t.state.ShiftHeld = modifiers;

        DeleteSelectedEntries(t.lib);

        EXPECT_EQ(t.Text2.Text(), "before") << "modifiers " << modifiers;
        EXPECT_EQ(t.state.ListSaved, FlagTrue);
        EXPECT_TRUE(t.platform.calls.empty());
    }
}

TEST(DeleteSelectedEntriesTest, ShiftOnASavedListEmptiesItWithoutAPrompt)
{
    TestLibrarian t;
    FillDest(t, Letters("ABC"), {1});
    t.state.ListSaved = FlagTrue;
    t.state.ShiftHeld = ShiftMask;

    DeleteSelectedEntries(t.lib);

    EXPECT_EQ(t.List2.Count(), 0);
    EXPECT_EQ(t.Text2.Text(), "0 entries");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_TRUE(t.platform.Messages().empty());
}

TEST(DeleteSelectedEntriesTest, ShiftOnAnUnsavedListAnsweredCancelChangesNothing)
{
    TestLibrarian t;
    FillDest(t, Letters("ABC"), {1});
    t.Text2.SetText("3 entries");
    t.state.ShiftHeld = ShiftMask;
    t.platform.messageAnswers = {AnswerCancel};

    DeleteSelectedEntries(t.lib);

    ASSERT_EQ(t.platform.Messages().size(), 1u);
    EXPECT_EQ(t.platform.Messages()[0].title, "Query");
    EXPECT_EQ(t.DestNames(), Letters("ABC"));
    EXPECT_EQ(t.DestSelection(), (std::vector<int>{1}));
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.Text2.Text(), "3 entries");
}

TEST(DeleteSelectedEntriesTest, RemovesTopmostFirstSoEqualNamesKeepTheRightEntries)
{
    TestLibrarian t;
    test::AddDest(t, "Pad", true, 1);
    test::AddDest(t, "Pad", false, 2);
    test::AddDest(t, "Pad", true, 3);
    test::AddDest(t, "Pad", false, 4);

    DeleteSelectedEntries(t.lib);

    ASSERT_EQ(t.List2.Count(), 2);
    EXPECT_EQ(t.state.DestEntries[0], EntryFor("Pad", 2));
    EXPECT_EQ(t.state.DestEntries[1], EntryFor("Pad", 4));
}

TEST(DeleteCurrentEntryTest, DoubleClickOnTheLastEntryMovesNoOtherEntry)
{
    TestLibrarian t;
    FillDest(t, Letters("ABCD"));
    t.List2.SetCurrentItem(3);
    t.state.ListSaved = FlagTrue;

    DeleteCurrentEntry(t.lib);

    EXPECT_EQ(t.DestNames(), Letters("ABC"));
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.state.DestEntries[3], EntryFor("D")) << "the slot past the end keeps its stale copy";
    EXPECT_EQ(t.Text2.Text(), "3 entries");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
}

TEST(DeleteCurrentEntryTest, RemovesOnlyTheDoubleClickedEntryAndLeavesOtherSelections)
{
    TestLibrarian t;
    FillDest(t, Letters("ABCDE"), {1, 3, 4});
    t.List2.SetCurrentItem(0);

    DeleteCurrentEntry(t.lib);

    EXPECT_EQ(t.DestNames(), Letters("BCDE"));
    EXPECT_EQ(t.DestSelection(), (std::vector<int>{0, 2, 3}));
    EXPECT_TRUE(DestIsParallel(t));
    EXPECT_EQ(t.Text2.Text(), "4 entries");
}

TEST(DeleteCurrentEntryTest, DoubleClickOnNoItemRemovesNothing)
{
    TestLibrarian t;
    FillDest(t, Letters("AB"), {0});
    t.state.ListSaved = FlagTrue;
    t.Text2.SetText("2 entries");

    DeleteCurrentEntry(t.lib);

    EXPECT_EQ(t.DestNames(), Letters("AB"));
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    EXPECT_TRUE(DestIsParallel(t));

    TestLibrarian empty;
    empty.state.ListSaved = FlagTrue;
    DeleteCurrentEntry(empty.lib);
    EXPECT_EQ(empty.state.ListSaved, FlagTrue);
    EXPECT_EQ(empty.Text2.Text(), "");
}

TEST(RemoveDestEntryAtTest, ClosesTheGapForEveryPosition)
{
    const std::string letters = "ABCDEFG";
    for (int i = 0; i < static_cast<int>(letters.size()); ++i) {
        TestLibrarian t;
        FillDest(t, Letters(letters));

        RemoveDestEntryAt(t.lib, i);

        std::string expected = letters;
        expected.erase(static_cast<size_t>(i), 1);
        EXPECT_EQ(t.DestNames(), Letters(expected)) << "removing " << i;
        EXPECT_TRUE(DestIsParallel(t)) << "removing " << i;
    }
}

TEST(RemoveDestEntryAtTest, WorksOnAFullList)
{
    TestLibrarian t;
    FillDest(t, test::NumberedNames(MaxDestEntries));

    RemoveDestEntryAt(t.lib, 0);
    RemoveDestEntryAt(t.lib, MaxDestEntries - 2);

    EXPECT_EQ(t.List2.Count(), MaxDestEntries - 2);
    EXPECT_EQ(t.List2.Text(0), "Voice1");
    EXPECT_EQ(t.List2.Text(MaxDestEntries - 3), "Voice126");
    EXPECT_TRUE(DestIsParallel(t));
}

}  // namespace
}  // namespace skerrow
