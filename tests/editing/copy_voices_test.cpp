#include "editing/copy_voices.h"
#include "editing/open_source.h"

#include "scripted_platform.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

class CopyVoicesTest : public ::testing::Test {
protected:
    // Opens a bank of `count` voices named Voice0.. as the source.
    std::string OpenBank(const std::string& name, int count, int slotCount = 16)
    {
        const std::string path = dir.file(name);
        test::WriteBytes(path,
                         test::BuildVoiceFile({.slotCount = slotCount, .names = test::NumberedNames(count)}));
        EXPECT_TRUE(LoadSourceFile(t.lib, path));
        return path;
    }

    void FillDestination(int count)
    {
        for (int i = 0; i < count; ++i) {
            t.List2.AddItem("Filler");
            t.state.DestEntries[static_cast<size_t>(i)] = {"/elsewhere/filler.1bk", 1};
        }
    }

    void Select(std::initializer_list<int> indices)
    {
        for (int i : indices)
            t.List1.SetSelected(i, true);
    }

    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& call : t.platform.Messages()) {
            EXPECT_EQ(call.title, "Info");
            EXPECT_EQ(call.icon, MessageIcon::Information);
            EXPECT_EQ(call.buttons, MessageButtons::Ok);
            texts.push_back(call.text);
        }
        return texts;
    }

    test::TempDir dir;
    test::TestLibrarian t;
};

TEST_F(CopyVoicesTest, SelectedVoicesAreAppendedInSourceOrderWithPathAndSlot)
{
    const std::string bank = OpenBank("bank.1bk", 12);
    Select({9, 3, 5});  // the order of clicking does not matter
    t.state.ListSaved = FlagTrue;
    CopySelectedVoices(t.lib);

    EXPECT_EQ(t.DestNames(), (std::vector<std::string>{"Voice3    ", "Voice5    ", "Voice9    "}));
    EXPECT_EQ(t.state.DestEntries[0], (DestEntry{bank, 4}));
    EXPECT_EQ(t.state.DestEntries[1], (DestEntry{bank, 6}));
    EXPECT_EQ(t.state.DestEntries[2], (DestEntry{bank, 10}));
    EXPECT_EQ(t.Text2.Text(), "3 entries");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_TRUE(t.List1.Selected(3)) << "copying leaves the source selection alone";
}

TEST_F(CopyVoicesTest, ShiftAloneCopiesTheWholeBank)
{
    const std::string bank = OpenBank("bank.1bk", 16);
    t.state.ShiftHeld = ShiftMask;
    CopySelectedVoices(t.lib);
    ASSERT_EQ(t.List2.Count(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(t.state.DestEntries[static_cast<size_t>(i)],
                  (DestEntry{bank, static_cast<std::int16_t>(i + 1)}));
    EXPECT_EQ(t.Text2.Text(), "16 entries");
}

TEST_F(CopyVoicesTest, ShiftWithAnotherModifierCopiesOnlyTheSelection)
{
    OpenBank("bank.1bk", 8);
    Select({2});
    for (std::int16_t mask : {std::int16_t(ShiftMask | CtrlMask), std::int16_t(ShiftMask | AltMask)}) {
        t.List2.Clear();
        t.state.ShiftHeld = mask;
        CopySelectedVoices(t.lib);
        EXPECT_EQ(t.DestNames(), std::vector<std::string>{"Voice2    "}) << "mask " << mask;
    }
}

TEST_F(CopyVoicesTest, EmptySourceListDoesNothingAtAll)
{
    for (std::int16_t mask : {std::int16_t(0), ShiftMask}) {
        t.state.ShiftHeld = mask;
        t.state.ListSaved = FlagTrue;
        CopySelectedVoices(t.lib);
        EXPECT_EQ(t.List2.Count(), 0);
        EXPECT_EQ(t.Text2.Text(), "") << "not even the count text is written";
        EXPECT_EQ(t.state.ListSaved, FlagTrue);
    }
}

TEST_F(CopyVoicesTest, NothingSelectedStillRewritesTheCountAndClearsSaved)
{
    OpenBank("bank.1bk", 4);
    t.state.ListSaved = FlagTrue;
    CopySelectedVoices(t.lib);
    EXPECT_EQ(t.List2.Count(), 0);
    EXPECT_EQ(t.Text2.Text(), "0 entries");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
}

TEST_F(CopyVoicesTest, SelectionStopsAtCapacityWithTheFullStopMessageOnce)
{
    OpenBank("bank.1bk", 10);
    FillDestination(127);
    Select({1, 4, 7});
    CopySelectedVoices(t.lib);
    EXPECT_EQ(t.List2.Count(), MaxDestEntries);
    EXPECT_EQ(t.List2.Text(127), "Voice1    ");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Destination list is full."});
    EXPECT_EQ(t.Text2.Text(), "128 entries");
    EXPECT_TRUE(t.state.DestEntries[128].SourcePath.empty()) << "the spare element is never used";
}

TEST_F(CopyVoicesTest, LastFreePlaceTakesOneVoiceWithoutMessage)
{
    OpenBank("bank.1bk", 10);
    FillDestination(127);
    Select({6});
    CopySelectedVoices(t.lib);
    EXPECT_EQ(t.List2.Count(), 128);
    EXPECT_TRUE(t.platform.Messages().empty());
}

TEST_F(CopyVoicesTest, FullListWithNothingSelectedGivesNoMessageButCountsAsChanged)
{
    OpenBank("bank.1bk", 10);
    FillDestination(128);
    t.state.ListSaved = FlagTrue;
    CopySelectedVoices(t.lib);
    EXPECT_TRUE(t.platform.Messages().empty());
    EXPECT_EQ(t.Text2.Text(), "128 entries");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
}

TEST_F(CopyVoicesTest, CopyAllIntoAFullListUsesTheMessageWithoutFullStop)
{
    OpenBank("bank.1bk", 10);
    FillDestination(128);
    t.state.ShiftHeld = ShiftMask;
    CopySelectedVoices(t.lib);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Destination list is full"});
    EXPECT_EQ(t.List2.Count(), 128);
    EXPECT_EQ(t.Text2.Text(), "128 entries");
}

TEST_F(CopyVoicesTest, CopyAllStopsPartWayAtCapacity)
{
    OpenBank("all.avc", 128, 128);
    FillDestination(100);
    t.state.ShiftHeld = ShiftMask;
    CopySelectedVoices(t.lib);
    EXPECT_EQ(t.List2.Count(), 128);
    EXPECT_EQ(t.List2.Text(127), "Voice27   ");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Destination list is full"});
}

TEST_F(CopyVoicesTest, DoubleClickCopiesOnlyTheCurrentVoiceEvenTwice)
{
    const std::string bank = OpenBank("bank.1bk", 6);
    Select({0, 1});
    t.List1.SetCurrentItem(4);
    CopyCurrentVoice(t.lib);
    CopyCurrentVoice(t.lib);
    EXPECT_EQ(t.DestNames(), (std::vector<std::string>{"Voice4    ", "Voice4    "}));
    EXPECT_EQ(t.state.DestEntries[0], t.state.DestEntries[1]);
    EXPECT_EQ(t.state.DestEntries[1], (DestEntry{bank, 5}));
    EXPECT_EQ(t.Text2.Text(), "2 entries");
}

TEST_F(CopyVoicesTest, DoubleClickOnNoItemDoesNothing)
{
    OpenBank("bank.1bk", 6);
    t.state.ListSaved = FlagTrue;
    CopyCurrentVoice(t.lib);
    EXPECT_EQ(t.List2.Count(), 0);
    EXPECT_EQ(t.Text2.Text(), "");
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
}

TEST_F(CopyVoicesTest, DoubleClickOnAFullListKeepsTheSavedFlag)
{
    OpenBank("bank.1bk", 6);
    FillDestination(128);
    t.List1.SetCurrentItem(0);
    t.state.ListSaved = FlagTrue;
    CopyCurrentVoice(t.lib);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Destination list is full"});
    EXPECT_EQ(t.List2.Count(), 128);
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    EXPECT_EQ(t.Text2.Text(), "");
}

TEST_F(CopyVoicesTest, EntriesKeepTheirOwnFileWhenOthersAreOpened)
{
    const std::string a = OpenBank("a.1bk", 3);
    t.List1.SetCurrentItem(2);
    CopyCurrentVoice(t.lib);
    const std::string b = OpenBank("b.1bk", 3);
    t.List1.SetCurrentItem(0);
    CopyCurrentVoice(t.lib);

    // A refused third file leaves b as the source: copying goes on taking b's path.
    test::WriteBytes(dir.file("bad.1bk"), test::BuildVoiceFile({.slotCount = 17}));
    EXPECT_FALSE(LoadSourceFile(t.lib, dir.file("bad.1bk")));
    t.List1.SetCurrentItem(1);
    CopyCurrentVoice(t.lib);

    EXPECT_EQ(t.state.DestEntries[0], (DestEntry{a, 3}));
    EXPECT_EQ(t.state.DestEntries[1], (DestEntry{b, 1}));
    EXPECT_EQ(t.state.DestEntries[2], (DestEntry{b, 2}));
}

}  // namespace
}  // namespace skerrow
