#include "voicefile/layout.h"

#include "os/temporary_name.h"
#include "voice_file_builder.h"
#include "voicefile/head_reader.h"

#include <cerrno>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace skerrow {
namespace {

using test::BuildVoiceFile;

#ifndef _WIN32  // the guard against a hang is a POSIX alarm
TEST(HeadReaderTest, ShortFileIsCheckedBeforeItsCountByte)
{
    test::TempDir dir;
    // Byte 50 is invalid too, but the shortage is what the user must hear about.
    const std::string path = dir.file("short.avc");
    test::WriteBytes(path, BuildVoiceFile({.slotCount = 2, .truncateTo = 100}));
    // An event loop leaves EINTR behind after an interrupted wait: the end of the file must still
    // end the read, not retry it for ever (the alarm turns such a hang into a failure).
    errno = EINTR;
    ::alarm(10);
    EXPECT_EQ(ReadHead(path).status, HeadStatus::Truncated);
    ::alarm(0);
}
#endif

TEST(TemporaryNameTest, OnlyANameOfTheSavesOwnShapeIsTakenForOne)
{
    const std::string stem = temporary_name::StemFor("bank.1bk");
    EXPECT_TRUE(IsTemporaryFileName(stem + "Ab3xYz"));
    EXPECT_FALSE(IsTemporaryFileName(stem.substr(1) + "Ab3xYz")) << "not hidden: a user's own file";
    EXPECT_FALSE(IsTemporaryFileName(stem + "Ab3-Yz"));
}

TEST(LayoutTest, DirectoryEntriesArePaddedOrCutToTenBytes)
{
    EXPECT_EQ(layout::DirectoryEntry("Horn"), std::string("Horn      \0\0\0\0\0\0", 16));
    EXPECT_EQ(layout::DirectoryEntry("TenLetters"), std::string("TenLetters\0\0\0\0\0\0", 16));
    EXPECT_EQ(layout::DirectoryEntry("ElevenChars"), std::string("ElevenChar\0\0\0\0\0\0", 16));
}

TEST(LayoutTest, FormatFollowsTheEntryCount)
{
    EXPECT_EQ(layout::SaveSlotsFor(1), 1);
    EXPECT_EQ(layout::SaveSlotsFor(2), 16);
    EXPECT_EQ(layout::SaveSlotsFor(16), 16);
    EXPECT_EQ(layout::SaveSlotsFor(17), 128);
    EXPECT_EQ(layout::SaveSlotsFor(128), 128);
    EXPECT_EQ(layout::FileSize(1), 6144u);
    EXPECT_EQ(layout::FileSize(16), 52224u);
    EXPECT_EQ(layout::FileSize(128), 3072u * 129u);
    EXPECT_EQ(layout::ExtensionFor(1), "1vc");
    EXPECT_EQ(layout::ExtensionFor(16), "1bk");
    EXPECT_EQ(layout::ExtensionFor(128), "avc");
}

}  // namespace
}  // namespace skerrow
