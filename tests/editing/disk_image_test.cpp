// Voice files inside floppy images made and read by mtools: opened, copied from and saved into
// by the same commands as plain files.

#include "diskimage/image_file.h"
#include "editing/copy_voices.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "editing/save_to_image.h"
#include "scripted_platform.h"
#include "shell_tools.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace skerrow {
namespace {

using test::BuildVoiceFile;
using test::McopyIn;
using test::McopyOut;
using test::Quote;
using test::ReadBytes;

std::string Bank(std::uint8_t id)
{
    return BuildVoiceFile(
        {.slotCount = 16, .names = test::NumberedNames(16, "Bank" + std::to_string(id)), .fileId = id});
}

class DiskImageTest : public ::testing::Test {
protected:
    // An mformat image with a bank in the root, a single voice in a folder and a file that is no
    // voice file, named without an image's extension: the boot sector tells what it is.
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "mtools, which makes and reads the images here, runs on Linux only";
#endif
        ASSERT_TRUE(test::MformatImage(image));
        ASSERT_EQ(test::Shell("mmd -i " + Quote(image) + " ::SOLOS"), 0);
        ASSERT_TRUE(McopyIn(image, "BRASS.1BK", Bank(1)));
        ASSERT_TRUE(McopyIn(image, "README.TXT", std::string(4000, 'x')));
        ASSERT_TRUE(McopyIn(image, "SOLOS/Flute.1vc",
                            BuildVoiceFile({.slotCount = 1, .names = {"Flute"}, .fileId = 2})));
    }

    // Copies every voice of the open source into the destination.
    void CopyAll()
    {
        ASSERT_TRUE(AppendSourceVoices(t.lib, true));
        RefreshDestCount(t.lib);
    }

    void AnswerImageSave(const std::string& path, const std::string& name, bool small = false)
    {
        t.platform.imageSaveAnswers.push_back({true, path, small, name});
    }

    test::TempDir dir;
    const std::string image = dir.file("disk01.dat");
    test::TestLibrarian t;
};

TEST_F(DiskImageTest, OpeningAnImageListsItsVoiceFilesAndLoadsTheChosenOne)
{
    t.platform.AnswerDialog(image);
    t.platform.memberAnswers.push_back(1);
    OpenSourceFile(t.lib);

    ASSERT_EQ(t.platform.calls.size(), 2u) << t.platform.Described().back();
    const std::vector<ImageMemberRow>& rows = t.platform.calls[1].rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "BRASS.1BK");
    EXPECT_EQ(rows[0].type, "bank (.1bk)");
    EXPECT_EQ(rows[0].voices, 16);
    EXPECT_EQ(rows[1].name, "SOLOS/Flute.1vc");
    EXPECT_EQ(rows[1].type, "single voice (.1vc)");
    EXPECT_EQ(rows[1].voices, 1);

    EXPECT_EQ(t.state.CurrentSourcePath, image + "/SOLOS/Flute.1vc");
    EXPECT_EQ(t.caption.Text(), "Skerrow (disk01.dat/SOLOS/Flute.1vc)");
    EXPECT_EQ(t.SourceNames(), std::vector<std::string>{"Flute     "});

    // A cancelled chooser leaves the source as it was.
    t.platform.AnswerDialog(image);
    OpenSourceFile(t.lib);
    EXPECT_EQ(t.state.CurrentSourcePath, image + "/SOLOS/Flute.1vc");
    EXPECT_TRUE(t.platform.Messages().empty());
}

// A path leads into an image only where the real file system ends in a plain file that is one.
TEST_F(DiskImageTest, PathsEnterAnImageOnlyThroughItsFile)
{
    std::filesystem::create_directory(dir.file("BRASS.1BK"));
    test::WriteBytes(dir.file("plain.1bk"), Bank(3));
    struct Row {
        std::string path;
        std::optional<std::string> member;
    };
    for (const Row& row : std::vector<Row>{{image + "/SOLOS/FLUTE.1VC", "SOLOS/FLUTE.1VC"},
                                           {image, std::nullopt},
                                           {image + "/", ""},
                                           {image + "/./SOLOS/../SOLOS//FLUTE.1VC", "SOLOS/FLUTE.1VC"},
                                           {dir.file("plain.1bk") + "/X.1BK", std::nullopt},
                                           {dir.file("none") + "/X.1BK", std::nullopt},
                                           {dir.file("BRASS.1BK"), std::nullopt}}) {
        const auto where = diskimage::SplitImagePath(row.path);
        EXPECT_EQ(where ? std::optional(where->member) : std::nullopt, row.member) << row.path;
        if (where) {
            EXPECT_EQ(where->image, image);
        }
    }
    EXPECT_FALSE(LoadSourceFile(t.lib, image + "/SOLOS"));
    EXPECT_FALSE(LoadSourceFile(t.lib, image + "/README.TXT"));
    ASSERT_TRUE(LoadSourceFile(t.lib, image + "/brass.1bk"));
    EXPECT_EQ(t.List1.Count(), 16);
    EXPECT_EQ(t.platform.Messages().size(), 2u);
    EXPECT_EQ(t.platform.Messages()[0].text, image + "/SOLOS not found.");
    EXPECT_EQ(t.platform.Messages()[1].text, "Bad record count in VL file.");
}

// A bank saved into an image reads back with mcopy as the very bytes of the
// same bank saved as a file, and fsck.fat finds nothing wrong with the image.
TEST_F(DiskImageTest, BankSavedIntoAnImageIsTheBankSavedAsAFile)
{
    test::WriteBytes(dir.file("other.1bk"), Bank(4));
    ASSERT_TRUE(LoadSourceFile(t.lib, dir.file("other.1bk")));
    t.List1.SetSelected(2, true);
    CopySelectedVoices(t.lib);
    ASSERT_TRUE(LoadSourceFile(t.lib, image + "/BRASS.1BK"));
    for (int i = 0; i < 15; ++i)
        t.List1.SetSelected(i, true);
    CopySelectedVoices(t.lib);
    ASSERT_EQ(t.List2.Count(), 16) << "the destination holds 16 at most in a bank";

    ASSERT_TRUE(SaveDestinationTo(t.lib, dir.file("out.1bk")));
    const std::string saved = ReadBytes(dir.file("out.1bk"));
    t.state.ListSaved = FlagFalse;

    const std::string target = dir.file("new.img");
    AnswerImageSave(target, "mybank", true);
    SaveDestinationToImage(t.lib);
    EXPECT_TRUE(t.platform.Messages().empty()) << t.platform.Messages().front().text;
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    EXPECT_EQ(t.platform.calls.back().Describe(), "Close(File)");
    EXPECT_EQ(std::filesystem::file_size(target), 737280u);
    EXPECT_EQ(McopyOut(target, "MYBANK.1BK"), saved);
    std::string report;
    EXPECT_EQ(test::Shell("fsck.fat -n " + Quote(target), &report), 0) << report;

    // Into the image the voices came from, over the bank they came from: the old blocks are read
    // before the image is replaced, and the entries then read their own voices in the new file.
    AnswerImageSave(image, "brass");
    t.platform.messageAnswers.push_back(AnswerYes);
    SaveDestinationToImage(t.lib);
    ASSERT_EQ(t.platform.Messages().size(), 1u);
    EXPECT_EQ(t.platform.Messages()[0].text,
              image + "/BRASS.1BK already exists.\nDo you want to replace it?");
    EXPECT_EQ(McopyOut(image, "BRASS.1BK"), saved);
    EXPECT_EQ(t.state.DestEntries[3].SourcePath, image + "/BRASS.1BK");
    EXPECT_EQ(t.state.DestEntries[3].VoiceNumber, 4) << "voice 3 of the old bank is voice 4 of the new";
    EXPECT_EQ(t.List1.Text(0), "Bank42    ") << "the open source is read again";
    EXPECT_EQ(test::Shell("fsck.fat -n " + Quote(image), &report), 0) << report;
}

// What the image refuses is refused before anything is written, with a message saying why. A
// refused name, or one the user would not have replace a file, goes back to the dialog as it was
// left, the name to be corrected; the dialog first offers the image the source lies in.
TEST_F(DiskImageTest, RefusedSavesLeaveTheImageAsItWas)
{
    ASSERT_TRUE(LoadSourceFile(t.lib, image + "/BRASS.1BK"));
    CopyAll();
    ASSERT_TRUE(McopyIn(image, "KEEP.1BK", "kept"));
    ASSERT_EQ(test::Shell("mattrib -i " + test::Quote(image) + " +r ::KEEP.1BK"), 0);
    const std::string before = ReadBytes(image);
    struct Row {
        std::string typed;
        int answer;
        std::string message;
    };
    for (const Row& row : std::vector<Row>{
             {"brass.1bk", AnswerNo, image + "/BRASS.1BK already exists.\nDo you want to replace it?"},
             {"LONGERNAME", 0, "A name on the disk has at most 8 characters before the dot."},
             {"A+B", 0, "The character \"+\" is not allowed in a name on the disk."},
             {"keep", 0, image + "/KEEP.1BK is read-only on the disk"},
             {"bank.avc", 0,
              "It is considered bad form to save a VL file\nwith an extension other than the recommended!"},
             {"SOLOS", 0, image + "/SOLOS.1BK: Disk image is full: 51 KB needed, 43 KB free"}}) {
        if (row.typed == "SOLOS") {
            ASSERT_TRUE(McopyIn(image, "FILLER", std::string(1'350'000, 'f'))) << "fill the disk";
        }
        t.platform.ClearCalls();
        t.state.SaveAborted = FlagFalse;
        AnswerImageSave(image, row.typed, true);
        if (row.answer)
            t.platform.messageAnswers.push_back(row.answer);
        SaveDestinationToImage(t.lib);
        ASSERT_EQ(t.platform.Messages().size(), 1u) << row.typed;
        EXPECT_EQ(t.platform.Messages()[0].text, row.message);
        EXPECT_EQ(t.state.ListSaved, FlagFalse) << row.typed;
        std::vector<ImageSaveRequest> asked;
        for (const test::PlatformCall& call : t.platform.calls)
            if (call.kind == test::PlatformCall::Kind::ImageSaveDialog)
                asked.push_back(call.imageRequest);
        ASSERT_EQ(asked.size(), row.typed == "SOLOS" ? 1u : 2u) << row.typed;
        EXPECT_EQ(asked[0].imagePath, image);
        EXPECT_EQ(asked[0].initialName, "UNTITLED.1BK");
        EXPECT_FALSE(asked[0].correctName);
        if (asked.size() == 2) {
            EXPECT_EQ(asked[1].imagePath, image);
            EXPECT_EQ(asked[1].initialName, row.typed);
            EXPECT_TRUE(asked[1].small);
            EXPECT_TRUE(asked[1].correctName);
        }
        if (row.typed != "SOLOS") {
            EXPECT_EQ(ReadBytes(image), before) << row.typed;
        }
    }
}

// A destination entry from an image reads its block from the image at save time: an image that
// is gone, or that lost the file, makes the save fail naming the entry's source.
TEST_F(DiskImageTest, SourceInsideAnImageMustStillBeThereAtSaveTime)
{
    ASSERT_TRUE(LoadSourceFile(t.lib, image + "/BRASS.1BK"));
    CopyAll();
    ASSERT_EQ(test::Shell("mdel -i " + Quote(image) + " ::BRASS.1BK"), 0);
    EXPECT_FALSE(SaveDestinationTo(t.lib, dir.file("out.1bk")));
    std::filesystem::remove(image);
    EXPECT_FALSE(SaveDestinationTo(t.lib, dir.file("out.1bk")));
    test::WriteBytes(image, "not an image at all");
    EXPECT_FALSE(SaveDestinationTo(t.lib, dir.file("out.1bk")));

    ASSERT_EQ(t.platform.Messages().size(), 3u);
    for (const test::PlatformCall& message : t.platform.Messages())
        EXPECT_EQ(message.text, image + "/BRASS.1BK not found.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.1bk")));
}

}  // namespace
}  // namespace skerrow
