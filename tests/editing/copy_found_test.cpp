// Voices found by a search, copied into the destination from their files as they are now.
#include "editing/copy_found.h"

#include "dest_fixture.h"
#include "diskimage/fat_image.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

namespace skerrow {
namespace {

using test::FillDest;
using test::Letters;
using test::TempDir;
using test::TestLibrarian;

// A name as a voice file lists it: blank-padded to 10 bytes.
std::string Listed(const std::string& name)
{
    return name + std::string(10 - name.size(), ' ');
}

class CopyFoundTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::WriteBytes(bank, test::BuildVoiceFile({.slotCount = 16, .names = {"Horn", "Tuba", "Oboe"}}));
        // The same bank as a member of a disk image, which a path into the image names.
        const auto image =
            diskimage::FatImage::Open(diskimage::FormatFatImage(diskimage::FloppySize::Kb1440, 7)).image;
        ASSERT_TRUE(image);
        const auto written = image->Write("", "BANK.1BK", test::ReadBytes(bank), {});
        ASSERT_TRUE(written.bytes) << written.error;
        test::WriteBytes(dir.file("DISK.img"), *written.bytes);
    }

    TempDir dir;
    std::string bank = dir.file("bank.1bk");
    TestLibrarian t;
};

TEST_F(CopyFoundTest, VoicesGoInAtTheRowInTheOrderGivenEachNamingItsFileAndSlot)
{
    FillDest(t, Letters("AB"));
    const std::string member = dir.file("DISK.img") + "/BANK.1BK";
    CopyFoundVoices(t.lib, {{bank, 3, Listed("Oboe")}, {member, 1, Listed("Horn")}}, 1);
    EXPECT_EQ(t.DestNames(), (std::vector<std::string>{"A", Listed("Oboe"), Listed("Horn"), "B"}));
    EXPECT_EQ(t.state.DestEntries[1], (DestEntry{bank, 3}));
    EXPECT_EQ(t.state.DestEntries[2], (DestEntry{member, 1}));
    EXPECT_EQ(t.state.DestEntries[3], test::EntryFor("B"));
    EXPECT_EQ(t.Text2.Text(), "4 entries");
    EXPECT_TRUE(t.platform.Messages().empty());
}

TEST_F(CopyFoundTest, AFileChangedOrGoneSinceTheSearchCopiesNothingAndSaysWhy)
{
    const std::string gone = dir.file("gone.1vc");
    const std::vector<std::pair<FoundVoice, std::string>> cases = {
        {{bank, 2, Listed("Oboe")}, bank + " has changed since it was found: search the folder again."},
        {{bank, 4, Listed("Tuba")}, bank + " has changed since it was found: search the folder again."},
        {{gone, 1, Listed("Solo")}, gone + " not found."},
    };
    for (const auto& [voice, message] : cases) {
        t.platform.ClearCalls();
        CopyFoundVoices(t.lib, {{bank, 1, Listed("Horn")}, voice}, 0);
        EXPECT_EQ(t.List2.Count(), 0) << message;
        ASSERT_EQ(t.platform.Messages().size(), 1u) << message;
        EXPECT_EQ(t.platform.Messages()[0].text, message);
        EXPECT_EQ(t.platform.Messages()[0].title, "Error");
    }
}

TEST_F(CopyFoundTest, WhatNoLongerFitsIsLeftOutWithTheFullListMessageOnce)
{
    FillDest(t, test::NumberedNames(MaxDestEntries - 1));
    t.state.ListSaved = FlagTrue;
    CopyFoundVoices(t.lib, {{bank, 1, Listed("Horn")}, {bank, 2, Listed("Tuba")}}, MaxDestEntries);
    EXPECT_EQ(t.List2.Count(), MaxDestEntries);
    EXPECT_EQ(t.List2.Text(MaxDestEntries - 1), Listed("Horn"));
    ASSERT_EQ(t.platform.Messages().size(), 1u);
    EXPECT_EQ(t.platform.Messages()[0].text, "Destination list is full.");
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
}

TEST_F(CopyFoundTest, OpeningAFoundVoiceMakesItsFileTheSourceWithTheVoiceSelected)
{
    ASSERT_TRUE(OpenFoundVoice(t.lib, {bank, 2, Listed("Tuba")}));
    EXPECT_EQ(t.state.CurrentSourcePath, bank);
    EXPECT_EQ(t.SourceNames(), (std::vector<std::string>{Listed("Horn"), Listed("Tuba"), Listed("Oboe")}));
    EXPECT_FALSE(t.List1.Selected(0));
    EXPECT_TRUE(t.List1.Selected(1));
}

}  // namespace
}  // namespace skerrow
