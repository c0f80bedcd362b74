// find and dupes over folder trees with everything a real collection holds besides voice files.
#include "run_tool.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace skerrow::test {
namespace {

void WriteVoices(const std::string& path, int slots, std::vector<std::string> names, std::uint8_t fileId)
{
    VoiceFileSpec spec;
    spec.slotCount = slots;
    spec.names = std::move(names);
    spec.fileId = fileId;
    WriteBytes(path, BuildVoiceFile(spec));
}

// A library with non-voice files, empty and voice-named folders, links of every kind and a pipe.
class CliFindTest : public testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        const fs::path lib = dir.path() / "lib";
        fs::create_directories(lib / "Sub" / "deep");
        fs::create_directories(lib / "a");
        fs::create_directories(lib / "empty");
        fs::create_directories(lib / "fake.1bk");
        WriteVoices((lib / "a-b.1vc").string(), 1, {"Dash"}, 10);
        WriteVoices((lib / "a" / "x.1vc").string(), 1, {"Ax"}, 11);
        WriteVoices((lib / "bank.1bk").string(), 16, {"Br\xe4ss", "Strings", "Big BRASS"}, 12);
        WriteVoices((lib / "fake.1bk" / "inside.1vc").string(), 1, {"Inner"}, 13);
        WriteVoices((lib / "Sub" / "deep" / "all.avc").string(), 128, {"brass", "Pad"}, 14);
        WriteBytes(lib / "Sub" / "notes.txt", "not a voice file\n");
        VoiceFileSpec shortFile;
        shortFile.truncateTo = 100;
        WriteBytes(lib / "Sub" / "short.1vc", BuildVoiceFile(shortFile));
        VoiceFileSpec badCount;
        badCount.slotCount = 2;
        badCount.names = {"Two"};
        WriteBytes(lib / "Sub" / "count2.1bk", BuildVoiceFile(badCount));
        fs::create_symlink("bank.1bk", lib / "link.1bk");
        fs::create_symlink(".", lib / "loop");
        fs::create_symlink("nowhere.1bk", lib / "dangling.1bk");
        // Opening a pipe would wait for a writer for ever: it must not be opened at all.
        ASSERT_EQ(::mkfifo((lib / "pipe.1vc").c_str(), 0600), 0);
        fs::create_directory_symlink("lib", dir.path() / "linked");
    }

    ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, dir.path().string()); }

    TempDir dir;
};

const std::string AllVoices = "lib/Sub/deep/all.avc\t1\tbrass     \n"
                              "lib/Sub/deep/all.avc\t2\tPad       \n"
                              "lib/a-b.1vc\t1\tDash      \n"
                              "lib/a/x.1vc\t1\tAx        \n"
                              "lib/bank.1bk\t1\tBr\xe4ss     \n"
                              "lib/bank.1bk\t2\tStrings   \n"
                              "lib/bank.1bk\t3\tBig BRASS \n"
                              "lib/fake.1bk/inside.1vc\t1\tInner     \n";

TEST_F(CliFindTest, ListsEveryVoiceFileSortedByPathThenSlotAndPassesOverTheRestSilently)
{
    const ToolRun run = Run({"find", "lib"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, AllVoices);
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(Run({"find", "lib/"}).out, AllVoices);
}

TEST_F(CliFindTest, VerboseSaysWhyEachEntryWasPassedOver)
{
    const ToolRun run = Run({"find", "--verbose", "lib"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, AllVoices);
    EXPECT_EQ(run.err, "lib/Sub/count2.1bk: Bad record count in VL file.\n"
                       "lib/Sub/notes.txt: Bad or truncated VL file.\n"
                       "lib/Sub/short.1vc: Bad or truncated VL file.\n"
                       "lib/dangling.1bk: symbolic link, not followed\n"
                       "lib/link.1bk: symbolic link, not followed\n"
                       "lib/loop: symbolic link, not followed\n"
                       "lib/pipe.1vc: not a regular file\n");
}

TEST_F(CliFindTest, NameMatchesAsciiLettersInAnyCaseAndOtherBytesExactly)
{
    const ToolRun brass = Run({"find", "--name", "BRASS", "lib"});
    EXPECT_EQ(brass.exitCode, 0);
    EXPECT_EQ(brass.out, "lib/Sub/deep/all.avc\t1\tbrass     \n"
                         "lib/bank.1bk\t3\tBig BRASS \n");
    EXPECT_EQ(Run({"find", "--name=r\xe4", "lib"}).out, "lib/bank.1bk\t1\tBr\xe4ss     \n");
    EXPECT_EQ(Run({"find", "--name", "R\xc4", "lib"}).out, "");
    EXPECT_EQ(Run({"find", "--name", "Pad       ", "lib"}).out, "lib/Sub/deep/all.avc\t2\tPad       \n");
}

TEST_F(CliFindTest, MergesSeveralPathsAndFailsForAMissingOneAfterListingTheRest)
{
    const ToolRun run = Run({"find", "lib/bank.1bk", "missing", "lib", "lib/a"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, AllVoices);
    EXPECT_EQ(run.err, "missing not found.\n");

    // A link named as a path is followed: the user chose it.
    const ToolRun linked = Run({"find", "linked/a", "lib/a-b.1vc"});
    EXPECT_EQ(linked.exitCode, 0);
    EXPECT_EQ(linked.out, "lib/a-b.1vc\t1\tDash      \nlinked/a/x.1vc\t1\tAx        \n");
}

TEST(CliDupesTest, GroupsIdenticalBlocksWhateverTheirNames)
{
    namespace fs = std::filesystem;
    const TempDir dir;
    const fs::path d = dir.path() / "d";
    fs::create_directories(d / "sub");
    const std::string x = BlockFor(30, 1);
    const std::string y = BlockFor(30, 2);
    const std::string z = BlockFor(30, 3);
    std::string nearlyX = x;
    nearlyX.back() = static_cast<char>(nearlyX.back() ^ 1);

    WriteBytes(d / "one.1bk",
               VoiceFileWithBlocks(16, {"Piano", "Organ", "Piano2", "Twin\xff"}, {x, y, x, z}));
    WriteBytes(d / "sub" / "two.avc", VoiceFileWithBlocks(128, {"Other", "Nearly", "Keys"}, {x, nearlyX, y}));
    WriteBytes(d / "three.1vc", VoiceFileWithBlocks(1, {"Solo"}, {z}));
    WriteBytes(d / "short.1bk", VoiceFileWithBlocks(16, {"Cut", "Gone"}, {y}));
    WriteBytes(d / "unique.1vc", VoiceFileWithBlocks(1, {"Alone"}, {BlockFor(30, 4)}));
    WriteBytes(d / "notes.txt", "text");
    fs::create_symlink("one.1bk", d / "link.1bk");
    fs::create_symlink(".", d / "loop");

    const ToolRun run = RunTool({"dupes", "d", "nothing-here"}, dir.path().string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "d/one.1bk\t1\tPiano     \n"
                       "d/one.1bk\t3\tPiano2    \n"
                       "d/sub/two.avc\t1\tOther     \n"
                       "\n"
                       "d/one.1bk\t2\tOrgan     \n"
                       "d/short.1bk\t1\tCut       \n"
                       "d/sub/two.avc\t3\tKeys      \n"
                       "\n"
                       "d/one.1bk\t4\tTwin\xff     \n"
                       "d/three.1vc\t1\tSolo      \n");
    EXPECT_EQ(run.err, "nothing-here not found.\n"
                       "d/short.1bk: no voice block for slot 2 (Gone      ), skipped\n");

    const ToolRun none = RunTool({"dupes", "d/sub", "d/unique.1vc"}, dir.path().string());
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "");
}

}  // namespace
}  // namespace skerrow::test
