// list, info and image new, run as a script would run them.
#include "cli/console_platform.h"
#include "diskimage/fat_image.h"
#include "run_tool.h"
#include "voice_file_builder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace skerrow::test {
namespace {

TEST(CliListTest, PrintsSlotAndTheNameBytesAsListed)
{
    const TempDir dir;
    VoiceFileSpec spec;
    spec.slotCount = 16;
    // Trailing blanks, bytes above 0x7F, a full ten bytes, and a zero byte inside a name.
    spec.names = {"Br\xe4ss", "Strings  ", "0123456789", std::string("Pi\0no", 5), "\xff\x80 x"};
    spec.namePad = ' ';
    WriteBytes(dir.file("bank.1bk"), BuildVoiceFile(spec));

    const ToolRun list = RunTool({"list", dir.file("bank.1bk")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "1\tBr\xe4ss     \n"
                        "2\tStrings   \n"
                        "3\t0123456789\n"
                        "4\tPi\n"
                        "5\t\xff\x80 x      \n");
    EXPECT_EQ(list.err, "");

    // Each name byte becomes the Latin-1 character it stands for, in UTF-8.
    const ToolRun json = RunTool({"list", "--json", dir.file("bank.1bk")});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out, "{\"name\":\"Br\xc3\xa4ss     \",\"slot\":1}\n"
                        "{\"name\":\"Strings   \",\"slot\":2}\n"
                        "{\"name\":\"0123456789\",\"slot\":3}\n"
                        "{\"name\":\"Pi\",\"slot\":4}\n"
                        "{\"name\":\"\xc3\xbf\xc2\x80 x      \",\"slot\":5}\n");
}

TEST(CliListTest, StopsAtTheFirstEmptyEntryAndAtTheSlotCount)
{
    const TempDir dir;
    VoiceFileSpec bank;
    bank.names = {"One", "", "Three"};
    bank.namePad = '\0';  // the second entry starts with a zero byte
    WriteBytes(dir.file("gap.1bk"), BuildVoiceFile(bank));
    VoiceFileSpec single;
    single.slotCount = 1;
    single.names = {"Solo", "Hidden"};
    WriteBytes(dir.file("single.1vc"), BuildVoiceFile(single));

    EXPECT_EQ(RunTool({"list", dir.file("gap.1bk")}).out, "1\tOne\n");
    EXPECT_EQ(RunTool({"list", dir.file("single.1vc")}).out, "1\tSolo      \n");
}

struct RefusedCase {
    const char* name;
    std::optional<VoiceFileSpec> spec;  // nothing: no file at all
    bool folder;
    const char* message;  // "%" stands for the path as given
};

std::string WithPath(const std::string& message, const std::string& path)
{
    std::string text = message;
    if (const auto at = text.find('%'); at != std::string::npos)
        text.replace(at, 1, path);
    return text;
}

std::vector<RefusedCase> RefusedCases()
{
    VoiceFileSpec truncated;
    truncated.names = {"A"};
    truncated.truncateTo = 3071;
    VoiceFileSpec badCount;
    badCount.slotCount = 17;
    badCount.names = {"A"};
    VoiceFileSpec empty;
    empty.truncateTo = 0;
    return {
        {"missing.1bk", std::nullopt, false, "% not found. (No such file or directory)\n"},
        {"folder.1bk", std::nullopt, true, "% not found. (Is a directory)\n"},
        {"truncated.1bk", truncated, false, "%: Bad or truncated VL file.\n"},
        {"empty.1vc", empty, false, "%: Bad or truncated VL file.\n"},
        {"count17.avc", badCount, false, "%: Bad record count in VL file.\n"},
    };
}

TEST(CliRefusedFileTest, ListAndInfoGiveTheOpenMessageWithTheFileAndTheSystemsReasonAndFail)
{
    for (const RefusedCase& refused : RefusedCases()) {
        SCOPED_TRACE(refused.name);
        const TempDir dir;
        const std::string path = dir.file(refused.name);
        if (refused.spec)
            WriteBytes(path, BuildVoiceFile(*refused.spec));
        if (refused.folder)
            std::filesystem::create_directory(path);
        for (const char* command : {"list", "info"}) {
            const ToolRun run = RunTool({command, path});
            EXPECT_EQ(run.exitCode, 1) << command;
            EXPECT_EQ(run.out, "") << command;
            EXPECT_EQ(run.err, WithPath(refused.message, path)) << command;
        }
    }
    EXPECT_EQ(RunTool({"list", "/dev/null"}).err, "/dev/null not found. (not a regular file)\n");
    // A plain file whose read the system refuses with EINVAL: its reason, not a guess.
    EXPECT_EQ(RunTool({"list", "/proc/self/attr/current"}).err,
              "Read error: /proc/self/attr/current (Invalid argument)\n");
}

TEST(CliInfoTest, DescribesACompleteFile)
{
    const TempDir dir;
    VoiceFileSpec spec;
    spec.slotCount = 128;
    spec.names = NumberedNames(20);
    WriteBytes(dir.file("all.avc"), BuildVoiceFile(spec));

    const ToolRun run = RunTool({"info", dir.file("all.avc")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Format: all voices (.avc)\n"
                       "Slots: 128\n"
                       "Voices: 20\n"
                       "Size: 396288 bytes\n"
                       "Blocks: complete\n");
    EXPECT_EQ(run.err, "");
}

TEST(CliInfoTest, NamesTheSlotsWhoseBlocksAreMissing)
{
    const TempDir dir;
    VoiceFileSpec headOnly;
    headOnly.slotCount = 16;
    headOnly.names = {"A", "B", "C"};
    headOnly.blocks = 0;
    WriteBytes(dir.file("head.1bk"), BuildVoiceFile(headOnly));
    VoiceFileSpec lastCut = headOnly;
    lastCut.blocks = 3;
    lastCut.truncateTo = 3072 * 4 - 1;  // one byte short of the third block
    WriteBytes(dir.file("cut.1bk"), BuildVoiceFile(lastCut));
    VoiceFileSpec unlistedMissing = headOnly;
    unlistedMissing.blocks = 3;  // slots 4 to 16 have no block, but list no voice either
    WriteBytes(dir.file("ok.1bk"), BuildVoiceFile(unlistedMissing));

    const ToolRun head = RunTool({"info", dir.file("head.1bk")});
    EXPECT_EQ(head.exitCode, 3);
    EXPECT_EQ(head.out, "Format: bank (.1bk)\nSlots: 16\nVoices: 3\nSize: 3072 bytes\n"
                        "Blocks: missing for slots 1-3\n");
    const ToolRun cut = RunTool({"info", dir.file("cut.1bk")});
    EXPECT_EQ(cut.exitCode, 3);
    EXPECT_EQ(cut.out, "Format: bank (.1bk)\nSlots: 16\nVoices: 3\nSize: 12287 bytes\n"
                       "Blocks: missing for slot 3\n");
    const ToolRun json = RunTool({"info", "--json", "head.1bk"}, dir.path().string());
    EXPECT_EQ(json.exitCode, 3);
    EXPECT_EQ(json.out, R"j({"format":"bank (.1bk)","missing_blocks":[1,2,3],"path":"head.1bk","size":3072,)j"
                        R"j("slots":16,"voices":3})j"
                        "\n");
    const ToolRun ok = RunTool({"info", dir.file("ok.1bk")});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, "Format: bank (.1bk)\nSlots: 16\nVoices: 3\nSize: 12288 bytes\nBlocks: complete\n");
}

// In-process: no command shows a second message after one about a file, yet.
TEST(CliMessageTest, OnlyTheMessageAboutAFileNamesIt)
{
    char* text = nullptr;
    std::size_t size = 0;
    Console console;
    console.err = ::open_memstream(&text, &size);
    ASSERT_NE(console.err, nullptr);
    ConsolePlatform platform(console);
    platform.MessageBox("Bad record count in VL file.", "Error", MessageIcon::Critical, MessageButtons::Ok,
                        {"a.1bk", ENOENT});
    platform.MessageBox("Nothing to save!", "Error", MessageIcon::Critical, MessageButtons::Ok);
    std::fclose(console.err);
    EXPECT_EQ(std::string(text, size),
              "a.1bk: Bad record count in VL file. (No such file or directory)\nNothing to save!\n");
    std::free(text);
}

// A new image is a whole formatted disk of the size asked for; an existing file is never written
// over, and an image that cannot be written whole is not left behind.
TEST(CliImageTest, MakesAnEmptyImageOfTheSizeAskedAndNeverOverwrites)
{
    const TempDir dir;
    const std::string image = dir.file("d.img");
    for (const auto& [flag, sectors, shown] :
         {std::tuple{"--720k", 1440U, "720 KB"}, std::tuple{"--1440k", 2880U, "1.44 MB"}}) {
        const ToolRun made = RunTool({"image", "new", flag, "d.img"}, dir.path().string());
        EXPECT_EQ(made.exitCode, 0);
        EXPECT_EQ(made.out, std::string("Wrote d.img: empty ") + shown + " disk image\n");
        const diskimage::OpenResult opened = diskimage::FatImage::Open(ReadBytes(image));
        ASSERT_TRUE(opened.image) << opened.error;
        EXPECT_EQ(opened.image->Geometry().totalSectors, sectors);
        EXPECT_TRUE(opened.image->Members().empty());

        const ToolRun again = RunTool({"image", "new", "--720k", "d.img"}, dir.path().string());
        EXPECT_EQ(again.exitCode, 1);
        EXPECT_EQ(again.err, "Creation error: d.img (File exists)\n");
        EXPECT_EQ(ReadBytes(image).size(), sectors * 512);
        std::filesystem::remove(image);
    }

    ToolOptions small;
    small.workDir = dir.path().string();
    small.prepare = [] {
        const rlimit limit{100000, 100000};
        return std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    };
    const ToolRun cut = RunTool({"image", "new", "--1440k", "d.img"}, small);
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err, "Creation error: d.img (File too large)\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace skerrow::test
