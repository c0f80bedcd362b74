#include "editing/open_source.h"

#include "scripted_platform.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace skerrow {
namespace {

using test::BuildVoiceFile;
using test::VoiceFileSpec;

class OpenSourceTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const VoiceFileSpec& spec)
    {
        const std::string path = dir.file(name);
        test::WriteBytes(path, BuildVoiceFile(spec));
        return path;
    }

    // Opens a good bank so that a later refusal has a previous source to keep.
    std::string OpenPreviousSource()
    {
        const std::string path =
            Write("PREVIOUS.1BK", {.slotCount = 16, .names = {"Flute", "Oboe"}, .fileId = 9});
        EXPECT_TRUE(LoadSourceFile(t.lib, path));
        t.platform.ClearCalls();
        return path;
    }

    void ExpectPreviousSourceKept(const std::string& previousPath)
    {
        EXPECT_EQ(t.state.CurrentSourcePath, previousPath);
        EXPECT_EQ(t.state.SourceVoiceCount, 16);
        EXPECT_EQ(t.state.SourceImage, test::ReadBytes(previousPath).substr(0, 3072));
        EXPECT_EQ(t.SourceNames(), (std::vector<std::string>{"Flute     ", "Oboe      "}));
        EXPECT_EQ(t.Text1.Text(), "2 entries");
        EXPECT_EQ(t.caption.Text(), "Skerrow (PREVIOUS.1BK)");
    }

    test::TempDir dir;
    test::TestLibrarian t;
};

TEST_F(OpenSourceTest, OpenDialogIsRequestedWithTheVoiceFileFilterAndExistenceFlags)
{
    t.platform.CancelDialog();
    OpenSourceFile(t.lib);

    ASSERT_EQ(t.platform.calls.size(), 1u) << "a cancelled dialog shows nothing further";
    const FileDialogRequest& request = t.platform.calls[0].request;
    EXPECT_EQ(request.kind, FileDialogKind::Open);
    EXPECT_TRUE(request.cancelError);
    EXPECT_EQ(request.flags, 0x1800u);
    EXPECT_EQ(request.defaultExt, "");
    EXPECT_EQ(request.initialName, "");
    EXPECT_EQ(request.filter, "VL1 Files (*.1vc;*.1bk;*.avc)|*.1vc;*.1bk;*.avc|"
                              "Disk images (*.img;*.ima)|*.img;*.ima|All Files (*.*)|*.*");
    EXPECT_TRUE(t.state.CurrentSourcePath.empty());
    EXPECT_EQ(t.caption.Text(), "Skerrow (no open file)");
    EXPECT_EQ(t.Text1.Text(), "") << "no count text before the first open";
}

TEST_F(OpenSourceTest, FailedDialogChangesNothing)
{
    const std::string previous = OpenPreviousSource();
    t.platform.dialogAnswers.push_back({FileDialogOutcome::Failed, dir.file("x.1bk"), 0});
    OpenSourceFile(t.lib);
    EXPECT_TRUE(t.platform.Messages().empty());
    ExpectPreviousSourceKept(previous);
}

TEST_F(OpenSourceTest, ChosenFileBecomesTheWholeSource)
{
    const std::string path = Write("BRASS.1BK", {.slotCount = 16, .names = {"Trumpet", "Horn", "Tuba"}});
    t.platform.AnswerDialog(path);
    OpenSourceFile(t.lib);

    EXPECT_TRUE(t.platform.Messages().empty());
    EXPECT_EQ(t.state.CurrentSourcePath, path);
    EXPECT_EQ(t.state.SourceVoiceCount, 16);
    EXPECT_EQ(t.state.SourceImage, test::ReadBytes(path).substr(0, 3072));
    EXPECT_EQ(t.caption.Text(), "Skerrow (BRASS.1BK)");
    EXPECT_EQ(t.SourceNames(), (std::vector<std::string>{"Trumpet   ", "Horn      ", "Tuba      "}));
    EXPECT_EQ(t.Text1.Text(), "3 entries");
}

TEST_F(OpenSourceTest, ListingStopsAtTheFirstEmptyEntry)
{
    // Entry 3 is empty; the names after it must never be listed.
    std::vector<std::string> names = {"One", "Two", "Three", std::string(10, '\0'), "Hidden", "Also"};
    const std::string path = Write("gap.1bk", {.slotCount = 16, .names = names});
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.List1.Count(), 3);
    EXPECT_EQ(t.Text1.Text(), "3 entries");

    const std::string all = Write("all.avc", {.slotCount = 128, .names = test::NumberedNames(10)});
    ASSERT_TRUE(LoadSourceFile(t.lib, all));
    EXPECT_EQ(t.List1.Count(), 10);
    EXPECT_EQ(t.Text1.Text(), "10 entries");
}

TEST_F(OpenSourceTest, ListingNeverPassesTheSlotCount)
{
    // A single-voice file whose directory holds more names still lists one voice.
    const std::string path = Write("one.1vc", {.slotCount = 1, .names = {"Solo", "Ghost", "Ghost2"}});
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.SourceNames(), std::vector<std::string>{"Solo      "});
    EXPECT_EQ(t.Text1.Text(), "1 entry");
}

TEST_F(OpenSourceTest, EmptyFirstEntryStillBecomesTheSource)
{
    OpenPreviousSource();
    const std::string path = Write("blank.1bk", {.slotCount = 16, .names = {}});
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.List1.Count(), 0);
    EXPECT_EQ(t.Text1.Text(), "0 entries");
    EXPECT_EQ(t.state.CurrentSourcePath, path);
    EXPECT_EQ(t.caption.Text(), "Skerrow (blank.1bk)");
}

TEST_F(OpenSourceTest, NamesKeepEveryByteUpToAZero)
{
    const std::string high("\x80\xE9\xFF"
                           "ab",
                           5);                   // shorter than 10, padded with blanks
    const std::string inner("Pad\0junk12", 10);  // a zero inside ends the name
    const std::string full = "TenLetters";
    const std::string path = Write("raw.1bk", {.slotCount = 16, .names = {high, inner, full}});
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.SourceNames(), (std::vector<std::string>{high + "     ", "Pad", full}));
}

TEST_F(OpenSourceTest, AnyExtensionAndExactly3072BytesAreAccepted)
{
    const std::string path = Write("notes.txt", {.slotCount = 1, .names = {"Head only"}, .blocks = 0});
    ASSERT_EQ(std::filesystem::file_size(path), 3072u);
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.SourceNames(), std::vector<std::string>{"Head only "});
    EXPECT_TRUE(t.platform.Messages().empty());
}

TEST_F(OpenSourceTest, PathWithoutSeparatorIsShownWholeInTheCaption)
{
    const std::string path = Write("plain.1vc", {.slotCount = 1, .names = {"X"}});
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const bool loaded = LoadSourceFile(t.lib, "plain.1vc");
    std::filesystem::current_path(previous);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(t.caption.Text(), "Skerrow (plain.1vc)");
    EXPECT_EQ(t.state.CurrentSourcePath, "plain.1vc");
}

struct RefusedCase {
    const char* label;
    int slotCount;
    std::size_t size;              // 0: the file as built
    bool folder = false;           // the path names a folder
    bool missing = false;          // nothing at the path
    const char* message;           // "%s" stands for the path
    const char* system = nullptr;  // a file of the system's to open instead
};

class RefusedFileTest : public OpenSourceTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedFileTest, ShowsOneMessageAndKeepsThePreviousSource)
{
    const RefusedCase& c = GetParam();
    const std::string previous = OpenPreviousSource();
    const std::string path = c.system ? c.system : dir.file("refused.1bk");
    if (c.folder) {
        std::filesystem::create_directory(path);
    } else if (!c.missing && !c.system) {
        VoiceFileSpec spec{.slotCount = c.slotCount, .names = {"Refused"}};
        if (c.size)
            spec.truncateTo = c.size;
        test::WriteBytes(path, BuildVoiceFile(spec));
    }

    EXPECT_FALSE(LoadSourceFile(t.lib, path));

    std::string expected = c.message;
    if (const auto at = expected.find("%s"); at != std::string::npos)
        expected.replace(at, 2, path);
    ASSERT_EQ(t.platform.Messages().size(), 1u);
    EXPECT_EQ(t.platform.Messages()[0].Describe(), "MessageBox(Error|" + expected + "|Critical|Ok)");
    ExpectPreviousSourceKept(previous);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RefusedFileTest,
    ::testing::Values(RefusedCase{"Missing", 16, 0, false, true, "%s not found."},
                      RefusedCase{"Folder", 16, 0, true, false, "%s not found."},
                      RefusedCase{"Empty", 16, 1, false, false, "Bad or truncated VL file."},
                      RefusedCase{"OneShort", 16, 3071, false, false, "Bad or truncated VL file."},
                      RefusedCase{"CountZero", 0, 0, false, false, "Bad record count in VL file."},
                      RefusedCase{"CountTwo", 2, 0, false, false, "Bad record count in VL file."},
                      RefusedCase{"CountSeventeen", 17, 0, false, false, "Bad record count in VL file."},
                      RefusedCase{"CountMax", 255, 0, false, false, "Bad record count in VL file."},
                      // A plain file by its type, whose every read fails.
                      RefusedCase{"ReadFails", 16, 0, false, false, "Read error: %s", "/proc/self/mem"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.label; });

}  // namespace
}  // namespace skerrow
