#include "editing/undo_history.h"

#include "dest_fixture.h"
#include "editing/copy_voices.h"
#include "editing/delete_entries.h"
#include "editing/drop_entries.h"
#include "editing/move_entries.h"
#include "editing/new_list.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "editing/sort_entries.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using test::FillDest;
using test::Letters;
using test::TestLibrarian;

// One command on a destination of single letters (entries from two files, so that equal names
// still differ in their entries), with the source list holding the voices S, T and U.
struct StepCase {
    const char* name;
    std::string dest;
    std::vector<int> selected;
    std::function<void(TestLibrarian&)> command;
    const char* step;  // nullptr: the command changes nothing and must leave no step
};

void PrintTo(const StepCase& c, std::ostream* os)
{
    *os << c.name;
}

void SelectSource(TestLibrarian& t, std::vector<int> rows)
{
    for (const int row : rows)
        t.List1.SetSelected(row, true);
}

class UndoStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(UndoStepTest, UndoBringsBackTheListAndRedoReplaysTheCommand)
{
    const StepCase& c = GetParam();
    TestLibrarian t;
    t.state.CurrentSourcePath = "/voices/source.1bk";
    for (const char* voice : {"S", "T", "U"})
        t.List1.AddItem(voice);
    FillDest(t, Letters(c.dest), c.selected);
    for (std::size_t k = 1; k < c.dest.size(); k += 2)
        t.state.DestEntries[k] = test::EntryFor(c.dest.substr(k, 1), 2);
    t.state.ListSaved = FlagTrue;
    if (!c.dest.empty())
        t.List2.SetCurrentItem(static_cast<int>(c.dest.size()) - 1);
    const DestSnapshot before = TakeDestSnapshot(t.lib);

    UndoHistory history;
    history.Record(t.lib, c.step ? c.step : "None", [&] { c.command(t); });
    const DestSnapshot after = TakeDestSnapshot(t.lib);
    if (!c.step) {
        EXPECT_FALSE(history.CanUndo()) << "a command that changed nothing is no step";
        EXPECT_EQ(after, before);
        return;
    }
    ASSERT_NE(after, before);
    EXPECT_EQ(history.UndoText(), std::string("Undo ") + c.step);
    EXPECT_FALSE(history.CanRedo());

    t.state.ListSaved = FlagTrue;
    ASSERT_TRUE(history.Undo(t.lib));
    EXPECT_EQ(TakeDestSnapshot(t.lib), before);
    EXPECT_EQ(t.List2.CurrentItem(), before.current) << "the focus goes back where it was";
    EXPECT_EQ(t.Text2.Text(), CountText(static_cast<int>(before.names.size())));
    EXPECT_EQ(t.state.ListSaved, FlagFalse) << "an undo counts as a change";
    EXPECT_EQ(history.RedoText(), std::string("Redo ") + c.step);
    EXPECT_EQ(history.UndoText(), "Undo");

    t.state.ListSaved = FlagTrue;
    ASSERT_TRUE(history.Redo(t.lib));
    EXPECT_EQ(TakeDestSnapshot(t.lib), after);
    EXPECT_EQ(t.Text2.Text(), CountText(static_cast<int>(after.names.size())));
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_FALSE(history.Redo(t.lib));
    EXPECT_EQ(history.UndoText(), std::string("Undo ") + c.step);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, UndoStepTest, ::testing::Values(
    StepCase{"DoubleClickCopy", "AB", {1}, [](TestLibrarian& t) {
        t.List1.SetCurrentItem(1);
        CopyCurrentVoice(t.lib); }, StepCopy},
    StepCase{"CopyButtonSelection", "AB", {0}, [](TestLibrarian& t) {
        SelectSource(t, {0, 2});
        CopySelectedVoices(t.lib); }, StepCopy},
    StepCase{"CopyButtonShiftAll", "A", {}, [](TestLibrarian& t) {
        t.state.ShiftHeld = ShiftMask;
        CopySelectedVoices(t.lib); }, StepCopy},
    StepCase{"EnterCopy", "", {}, [](TestLibrarian& t) {
        SelectSource(t, {1});
        CopyVoiceSelection(t.lib); }, StepCopy},
    StepCase{"DropOfSourceVoices", "ABC", {2}, [](TestLibrarian& t) {
        SelectSource(t, {0, 1});
        InsertVoicesAt(t.lib, 1); }, StepDrop},
    StepCase{"MoveUp", "ABCDE", {1, 3, 4}, [](TestLibrarian& t) { MoveSelectedUp(t.lib); }, StepMove},
    StepCase{"MoveDown", "ABCDE", {0, 2}, [](TestLibrarian& t) { MoveSelectedDown(t.lib); }, StepMove},
    StepCase{"DragWithinDestination", "ABCDE", {0, 3}, [](TestLibrarian& t) {
        MoveEntriesTo(t.lib, 5); }, StepMove},
    StepCase{"Sort", "DBACA", {0, 2}, [](TestLibrarian& t) { SortDestination(t.lib); }, StepSort},
    StepCase{"DeleteButton", "ABCDE", {1, 3}, [](TestLibrarian& t) {
        DeleteSelectedEntries(t.lib); }, StepDelete},
    StepCase{"DeleteKey", "ABCDE", {0, 4}, [](TestLibrarian& t) { RemoveSelectedEntries(t.lib); }, StepDelete},
    StepCase{"DoubleClickDelete", "ABC", {0, 2}, [](TestLibrarian& t) {
        t.List2.SetCurrentItem(1);
        DeleteCurrentEntry(t.lib); }, StepDelete},
    StepCase{"ShiftDeleteOnASavedList", "ABC", {1}, [](TestLibrarian& t) {
        t.state.ShiftHeld = ShiftMask;
        DeleteSelectedEntries(t.lib); }, StepNew},
    StepCase{"NewAnsweredNo", "AB", {}, [](TestLibrarian& t) {
        t.state.ListSaved = FlagFalse;
        t.platform.messageAnswers = {AnswerNo};
        NewDestinationList(t.lib); }, StepNew},
    StepCase{"MoveUpAtTheTop", "ABC", {0, 1}, [](TestLibrarian& t) { MoveSelectedUp(t.lib); }, nullptr},
    StepCase{"MoveDownAtTheBottom", "ABC", {2}, [](TestLibrarian& t) { MoveSelectedDown(t.lib); }, nullptr},
    StepCase{"SortOfASortedList", "ABBC", {1}, [](TestLibrarian& t) { SortDestination(t.lib); }, nullptr},
    StepCase{"DeleteWithNothingSelected", "ABC", {}, [](TestLibrarian& t) {
        DeleteSelectedEntries(t.lib); }, nullptr},
    StepCase{"CopyRefusedByAFullList", std::string(MaxDestEntries, 'Z'), {}, [](TestLibrarian& t) {
        t.List1.SetCurrentItem(0);
        CopyCurrentVoice(t.lib); }, nullptr},
    StepCase{"NewCancelled", "AB", {}, [](TestLibrarian& t) {
        t.state.ListSaved = FlagFalse;
        t.platform.messageAnswers = {AnswerCancel};
        NewDestinationList(t.lib); }, nullptr}),
    [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });
// clang-format on

// A line of copies, one voice each: step i leaves i + 1 entries.
void CopyTimes(UndoHistory& history, TestLibrarian& t, int times)
{
    for (int i = 0; i < times; ++i)
        history.Record(t.lib, StepCopy, [&] { AppendDestEntry(t.lib, 0); });
}

TEST(UndoHistoryTest, KeepsTheNewestStepsUpToTheLimitAndANewStepDropsTheRedos)
{
    TestLibrarian t;
    t.List1.AddItem("S");
    UndoHistory history;
    for (int round = 0; round < 7; ++round) {
        CopyTimes(history, t, MaxDestEntries);
        history.Record(t.lib, StepNew, [&] { t.List2.Clear(); });
    }
    CopyTimes(history, t, static_cast<int>(UndoHistory::MaxSteps) - 7 * (MaxDestEntries + 1));
    ASSERT_EQ(history.UndoCount(), UndoHistory::MaxSteps);
    CopyTimes(history, t, 1);
    EXPECT_EQ(history.UndoCount(), UndoHistory::MaxSteps);
    int undone = 0;
    while (history.Undo(t.lib))
        ++undone;
    EXPECT_EQ(undone, static_cast<int>(UndoHistory::MaxSteps));
    // The oldest step went: as far back as it goes is the list after the first copy.
    EXPECT_EQ(t.List2.Count(), 1);

    ASSERT_TRUE(history.Redo(t.lib));
    ASSERT_TRUE(history.CanRedo());
    history.Record(t.lib, StepDelete, [&] { RemoveDestEntryAt(t.lib, 0); });
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.RedoText(), "Redo");
}

// A save over a file that steps read from leaves those steps nothing true to bring back: the voice
// at each of their slots is another one now.
TEST(UndoHistoryTest, ASaveOverAFileStepsReadFromForgetsThemAndOthersStay)
{
    test::TempDir dir;
    const std::string bank = dir.file("bank.1bk");
    test::WriteBytes(bank, test::BuildVoiceFile({.slotCount = 16, .names = {"Brass", "Flute", "Pad"}}));
    TestLibrarian t;
    ASSERT_TRUE(LoadSourceFile(t.lib, bank));
    UndoHistory history;
    int changes = 0;
    history.SetOnChange([&] { ++changes; });
    for (const int voice : {2, 1, 0})
        history.Record(t.lib, StepCopy, [&] { AppendDestEntry(t.lib, voice); });
    ASSERT_TRUE(history.Undo(t.lib));
    ASSERT_EQ(changes, 4);

    history.KeepTrueToFiles(t.lib, [&] { ASSERT_TRUE(SaveDestinationTo(t.lib, dir.file("other.1bk"))); });
    EXPECT_EQ(history.UndoCount(), 2u) << "a new file takes no voice from under a step";
    EXPECT_TRUE(history.CanRedo());
    EXPECT_EQ(changes, 4);

    history.KeepTrueToFiles(t.lib, [&] { ASSERT_TRUE(SaveDestinationTo(t.lib, bank)); });
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(changes, 5);
    // What the list shows now reads the same voices from the new file.
    EXPECT_EQ(t.state.DestEntries[0], (DestEntry{bank, 1}));
}

}  // namespace
}  // namespace skerrow
