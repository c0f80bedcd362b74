#include "core/library_state.h"
#include "scripted_platform.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

TEST(CountTextTest, SingularOnlyForExactlyOne)
{
    EXPECT_EQ(CountText(0), "0 entries");
    EXPECT_EQ(CountText(1), "1 entry");
    EXPECT_EQ(CountText(2), "2 entries");
    EXPECT_EQ(CountText(11), "11 entries");
    EXPECT_EQ(CountText(128), "128 entries");
}

TEST(LibraryStateTest, StartsEmptyWithFalseFlags)
{
    const LibraryState state;
    EXPECT_TRUE(state.SourceImage.empty());
    EXPECT_TRUE(state.CurrentSourcePath.empty());
    EXPECT_EQ(state.SourceVoiceCount, 0);
    EXPECT_EQ(state.DestEntries.size(), 129u);
    for (const DestEntry& entry : state.DestEntries) {
        EXPECT_TRUE(entry.SourcePath.empty());
        EXPECT_EQ(entry.VoiceNumber, 0);
    }
    EXPECT_EQ(state.ListSaved, FlagFalse);
    EXPECT_EQ(state.SaveSlots, 0);
    EXPECT_EQ(state.SaveAborted, FlagFalse);
    EXPECT_EQ(state.ShiftHeld, 0);
    EXPECT_EQ(FlagTrue, -1);
}

TEST(RefreshCountTest, DestRefreshClearsSavedEvenWhenNothingChanged)
{
    test::TestLibrarian t;
    t.List2.AddItem("Brass");
    t.state.ListSaved = FlagTrue;
    RefreshDestCount(t.lib);
    EXPECT_EQ(t.Text2.Text(), "1 entry");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);

    t.state.ListSaved = FlagTrue;
    RefreshSourceCount(t.lib);
    EXPECT_EQ(t.Text1.Text(), "0 entries");
    EXPECT_EQ(t.state.ListSaved, FlagTrue) << "the source count leaves the saved flag alone";
}

TEST(MemoryListViewTest, KeepsRawBytesAndFollowsCurrentItemOnRemoval)
{
    MemoryListView list;
    const std::string highBytes("\x80\xA9\xFF name  ", 10);
    list.AddItem("A");
    list.AddItem(highBytes);
    list.AddItem("C");
    EXPECT_EQ(list.Text(1), highBytes);
    EXPECT_FALSE(list.CurrentItem().has_value());

    list.SetCurrentItem(2);
    list.RemoveItem(0);
    EXPECT_EQ(list.CurrentItem(), 1) << "items below a removed one move up with the focus";
    list.RemoveItem(1);
    EXPECT_EQ(list.CurrentItem(), 0) << "removing the current last item moves the focus up";
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.CurrentItem().has_value());
}

}  // namespace
}  // namespace skerrow
