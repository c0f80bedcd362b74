#include "editing/save_as.h"

#include "editing/open_source.h"
#include "scripted_platform.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace skerrow {
namespace {

namespace fs = std::filesystem;

class SaveAsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::TestLibrarian t;

    // count destination entries taken from a 128-voice file, which then stays open.
    void FillDestination(int count)
    {
        const std::string source = dir.file("source.avc");
        test::WriteBytes(source, test::BuildVoiceFile({.slotCount = 128, .names = test::NumberedNames(128)}));
        ASSERT_TRUE(LoadSourceFile(t.lib, source));
        for (int i = 0; i < count; ++i) {
            t.List2.AddItem(t.List1.Text(i));
            t.state.DestEntries[static_cast<std::size_t>(i)] = {source, static_cast<std::int16_t>(i + 1)};
        }
        t.platform.ClearCalls();
    }

    long FileWindowsShown() const
    {
        const auto calls = t.platform.Described();
        return std::count(calls.begin(), calls.end(), "Show(File)");
    }
};

TEST_F(SaveAsTest, AnEmptyDestinationOnlySaysNothingToSave)
{
    for (const Flag aborted : {FlagFalse, FlagTrue}) {
        t.platform.ClearCalls();
        t.state.SaveSlots = 16;
        t.state.SaveAborted = aborted;

        SaveDestinationAs(t.lib);

        EXPECT_EQ(t.platform.Described(),
                  std::vector<std::string>{"MessageBox(Info|Nothing to save!|Information|Ok)"});
        EXPECT_EQ(t.state.SaveSlots, 16);
        EXPECT_EQ(t.state.SaveAborted, aborted);
    }
}

struct FormatRow {
    int count;
    int slots;
    const char* defaultExt;
    const char* initialName;
    const char* filter;
};

class SaveAsFormatTest : public SaveAsTest, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(SaveAsFormatTest, OffersTheFormatOfTheCountAndACancelAbortsSilently)
{
    const FormatRow row = GetParam();
    for (int i = 0; i < row.count; ++i)
        t.List2.AddItem("Voice");
    t.platform.CancelDialog();

    SaveDestinationAs(t.lib);

    ASSERT_EQ(t.platform.calls.size(), 1u) << "the dialog and nothing else";
    const FileDialogRequest& request = t.platform.calls[0].request;
    EXPECT_EQ(request.kind, FileDialogKind::Save);
    EXPECT_EQ(request.flags, 0x806u);
    EXPECT_TRUE(request.cancelError);
    EXPECT_EQ(request.defaultExt, row.defaultExt);
    EXPECT_EQ(request.initialName, row.initialName);
    EXPECT_EQ(request.filter, row.filter);
    EXPECT_EQ(SaveFilterFor(row.slots), row.filter);
    EXPECT_EQ(t.state.SaveSlots, row.slots) << "set before the dialog, kept after a cancel";
    EXPECT_EQ(t.state.SaveAborted, FlagTrue);
    EXPECT_TRUE(dir.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SaveAsFormatTest,
    ::testing::Values(FormatRow{1, 1, "1vc", "untitled.1vc", "VL1 Files (*.1vc)|*.1vc"},
                      FormatRow{2, 16, "1bk", "untitled.1bk", "VL1 Files (*.1bk)|*.1bk"},
                      FormatRow{16, 16, "1bk", "untitled.1bk", "VL1 Files (*.1bk)|*.1bk"},
                      FormatRow{17, 128, "avc", "untitled.avc", "VL1 Files (*.avc)|*.avc"},
                      FormatRow{128, 128, "avc", "untitled.avc", "VL1 Files (*.avc)|*.avc"}));

TEST_F(SaveAsTest, AForeignExtensionIsRefusedAndNoFileIsTouched)
{
    FillDestination(5);
    const std::string existing = dir.file("old.avc");
    test::WriteBytes(existing, "old bytes");
    const auto before = dir.entries();

    for (const std::string& path : {existing, dir.file("new.avc")}) {
        t.platform.ClearCalls();
        t.state.SaveAborted = FlagFalse;
        t.platform.AnswerDialog(path, OfnExtensionDifferent);

        SaveDestinationAs(t.lib);

        EXPECT_EQ(t.platform.Described(),
                  (std::vector<std::string>{"FileDialog(Save)",
                                            "MessageBox(Stop|It is considered bad form to save a VL file\n"
                                            "with an extension other than the recommended!|Critical|Ok)"}));
        EXPECT_EQ(t.state.SaveAborted, FlagTrue);
        EXPECT_EQ(t.state.ListSaved, FlagFalse);
        EXPECT_EQ(t.state.SaveSlots, 16);
        EXPECT_EQ(test::ReadBytes(existing), "old bytes");
        EXPECT_EQ(dir.entries(), before);
    }
}

TEST_F(SaveAsTest, AFailedDialogAbortsSilently)
{
    FillDestination(3);
    t.platform.dialogAnswers.push_back({FileDialogOutcome::Failed, dir.file("x.1bk"), 0});

    SaveDestinationAs(t.lib);

    EXPECT_EQ(t.platform.Described(), std::vector<std::string>{"FileDialog(Save)"});
    EXPECT_EQ(t.state.SaveAborted, FlagTrue);
    EXPECT_FALSE(fs::exists(dir.file("x.1bk")));
}

TEST_F(SaveAsTest, AChosenFileIsWrittenOnceAndOpensWithTheSameNames)
{
    FillDestination(5);
    const std::string path = dir.file("mine.1bk");
    t.platform.AnswerDialog(path);

    SaveDestinationAs(t.lib);

    EXPECT_EQ(FileWindowsShown(), 1);
    EXPECT_TRUE(t.platform.Messages().empty());
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    EXPECT_EQ(t.state.SaveAborted, FlagFalse);
    EXPECT_EQ(fs::file_size(path), 3072u * 17);

    // The next Save As offers "untitled" again, whatever name was chosen before.
    t.platform.ClearCalls();
    SaveDestinationAs(t.lib);
    ASSERT_FALSE(t.platform.calls.empty());
    EXPECT_EQ(t.platform.calls[0].request.initialName, "untitled.1bk");

    const auto names = t.DestNames();
    ASSERT_TRUE(LoadSourceFile(t.lib, path));
    EXPECT_EQ(t.SourceNames(), names);
}

TEST_F(SaveAsTest, AWriterFailureIsNotAnAbortedSave)
{
    FillDestination(2);
    fs::remove(dir.file("source.avc"));
    t.platform.AnswerDialog(dir.file("mine.1bk"));

    SaveDestinationAs(t.lib);

    const auto messages = t.platform.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, dir.file("source.avc") + " not found.");
    EXPECT_EQ(t.state.SaveAborted, FlagFalse);
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace skerrow
