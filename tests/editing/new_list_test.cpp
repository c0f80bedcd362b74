#include "editing/new_list.h"

#include "dest_fixture.h"
#include "editing/copy_voices.h"
#include "editing/open_source.h"
#include "voice_file_builder.h"
#include "voicefile/head_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace skerrow {
namespace {

using test::TempDir;
using test::TestLibrarian;

const std::string QueryText = "The new voice list has not been saved.\nDo you want to save it?";

// A destination of three real voices from a bank in a fresh folder, not saved yet.
class UnsavedListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::VoiceFileSpec spec;
        spec.names = {"Brass", "Strings", "Flute", "Pad"};
        test::WriteBytes(sourcePath, test::BuildVoiceFile(spec));
        ASSERT_TRUE(LoadSourceFile(t.lib, sourcePath));
        for (const int i : {2, 0, 3})
            AppendDestEntry(t.lib, i);
        RefreshDestCount(t.lib);
        t.platform.ClearCalls();
    }

public:
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (const auto& call : t.platform.Messages())
            titles.push_back(call.title);
        return titles;
    }

    TempDir dir;
    std::string sourcePath = dir.file("bank.1bk");
    std::string outputPath = dir.file("out.1bk");
    TestLibrarian t;
};

TEST_F(UnsavedListTest, AsksWithTheQueryMessage)
{
    t.platform.messageAnswers = {AnswerNo};

    EXPECT_TRUE(PromptToSave(t.lib));

    ASSERT_EQ(t.platform.calls.size(), 1u);
    const auto& call = t.platform.calls[0];
    EXPECT_EQ(call.kind, test::PlatformCall::Kind::MessageBox);
    EXPECT_EQ(call.text, QueryText);
    EXPECT_EQ(call.title, "Query");
    EXPECT_EQ(call.icon, MessageIcon::Question);
    EXPECT_EQ(call.buttons, MessageButtons::YesNoCancel);
}

TEST_F(UnsavedListTest, EmptyOrSavedListGoesOnWithoutAsking)
{
    t.state.ListSaved = FlagTrue;
    EXPECT_TRUE(PromptToSave(t.lib));

    TestLibrarian empty;
    EXPECT_TRUE(PromptToSave(empty.lib));
    NewDestinationList(empty.lib);
    EXPECT_FALSE(QueryUnloadCancels(empty.lib, CloseByUser));

    EXPECT_TRUE(t.platform.calls.empty());
    EXPECT_TRUE(empty.platform.calls.empty());
    EXPECT_EQ(empty.Text2.Text(), "0 entries");
}

TEST_F(UnsavedListTest, SaveAfterTheLastChangeMeansNoPromptOnClose)
{
    t.platform.messageAnswers = {AnswerYes};
    t.platform.AnswerDialog(outputPath);
    ASSERT_TRUE(PromptToSave(t.lib));
    t.platform.ClearCalls();

    EXPECT_FALSE(QueryUnloadCancels(t.lib, CloseByUser));
    EXPECT_TRUE(t.platform.calls.empty());

    AppendDestEntry(t.lib, 1);
    RefreshDestCount(t.lib);
    EXPECT_TRUE(QueryUnloadCancels(t.lib, CloseByUser)) << "unscripted prompt answers Cancel";
    EXPECT_EQ(Titles(), std::vector<std::string>{"Query"});
}

TEST_F(UnsavedListTest, StaleAbortFromAnEarlierSaveAsDoesNotCallOffASuccessfulSave)
{
    t.state.SaveAborted = FlagTrue;
    t.platform.messageAnswers = {AnswerYes};
    t.platform.AnswerDialog(outputPath);

    EXPECT_TRUE(PromptToSave(t.lib));
    EXPECT_EQ(t.state.SaveAborted, FlagFalse);
}

TEST_F(UnsavedListTest, SessionEndAndOtherClosesNeverPrompt)
{
    for (const int reason : {CloseBySessionEnd, CloseByTaskManager, 4, 5}) {
        EXPECT_FALSE(QueryUnloadCancels(t.lib, reason)) << "reason " << reason;
        EXPECT_TRUE(t.platform.calls.empty()) << "reason " << reason;
    }
}

TEST_F(UnsavedListTest, NewEmptiesOnlyTheDestination)
{
    const auto sourceNames = t.SourceNames();
    const std::string image = t.state.SourceImage;
    t.platform.messageAnswers = {AnswerNo};

    NewDestinationList(t.lib);

    EXPECT_EQ(t.List2.Count(), 0);
    EXPECT_EQ(t.Text2.Text(), "0 entries");
    EXPECT_EQ(t.SourceNames(), sourceNames);
    EXPECT_EQ(t.Text1.Text(), "4 entries");
    EXPECT_EQ(t.caption.Text(), "Skerrow (bank.1bk)");
    EXPECT_EQ(t.state.CurrentSourcePath, sourcePath);
    EXPECT_EQ(t.state.SourceImage, image);
    EXPECT_EQ(t.state.SourceVoiceCount, 16);
}

// What the user does at the prompt, and whether the action may then go on.
struct PromptScenario {
    const char* label;
    std::function<void(UnsavedListTest&, TestLibrarian&)> arrange;
    bool goesOn;
    std::vector<std::string> titles;  // of every message shown, in order
    bool writesOutput;
};

void PrintTo(const PromptScenario& c, std::ostream* os)
{
    *os << c.label;
}

enum class Action { New, CloseByUser, Exit };
const char* const ActionNames[] = {"New", "CloseByUser", "Exit"};

void PrintTo(Action action, std::ostream* os)
{
    *os << ActionNames[static_cast<int>(action)];
}

class PromptPathTest : public UnsavedListTest,
                       public ::testing::WithParamInterface<std::tuple<PromptScenario, Action>> {};

TEST_P(PromptPathTest, GoesOnOnlyWhenNoWasAnsweredOrTheSaveCompleted)
{
    const auto& [scenario, action] = GetParam();
    scenario.arrange(*this, t);
    const auto namesBefore = t.DestNames();

    bool wentOn = false;
    switch (action) {
    case Action::New:
        NewDestinationList(t.lib);
        wentOn = t.List2.Count() == 0;
        if (!wentOn) {
            EXPECT_EQ(t.DestNames(), namesBefore);
            EXPECT_EQ(t.Text2.Text(), "3 entries");
        }
        break;
    case Action::CloseByUser:
        wentOn = !QueryUnloadCancels(t.lib, skerrow::CloseByUser);
        EXPECT_EQ(t.DestNames(), namesBefore);
        break;
    case Action::Exit:
        wentOn = !QueryUnloadCancels(t.lib, CloseByProgram);
        EXPECT_EQ(t.DestNames(), namesBefore);
        break;
    }

    EXPECT_EQ(wentOn, scenario.goesOn);
    EXPECT_EQ(Titles(), scenario.titles);
    EXPECT_EQ(std::filesystem::exists(outputPath), scenario.writesOutput);
    if (scenario.writesOutput) {
        const HeadResult head = ReadHead(outputPath);
        ASSERT_EQ(head.status, HeadStatus::Ok);
        EXPECT_EQ(head.slotCount, 16);
    }
}

// clang-format off
const PromptScenario PromptScenarios[] = {
    {"No", [](UnsavedListTest&, TestLibrarian& t) { t.platform.messageAnswers = {AnswerNo}; },
     true, {"Query"}, false},
    {"Cancel", [](UnsavedListTest&, TestLibrarian& t) { t.platform.messageAnswers = {AnswerCancel}; },
     false, {"Query"}, false},
    {"YesThenDialogCancelled", [](UnsavedListTest&, TestLibrarian& t) {
         t.platform.messageAnswers = {AnswerYes};
         t.platform.CancelDialog();
     }, false, {"Query"}, false},
    {"YesThenForeignExtension", [](UnsavedListTest& f, TestLibrarian& t) {
         t.platform.messageAnswers = {AnswerYes};
         t.platform.AnswerDialog(f.dir.file("out.avc"), OfnExtensionDifferent);
     }, false, {"Query", "Stop"}, false},
    {"YesThenWriterFails", [](UnsavedListTest& f, TestLibrarian& t) {
         std::filesystem::remove(f.sourcePath);
         t.platform.messageAnswers = {AnswerYes};
         t.platform.AnswerDialog(f.outputPath);
     }, false, {"Query", "Error"}, false},
    {"YesThenSaved", [](UnsavedListTest& f, TestLibrarian& t) {
         t.platform.messageAnswers = {AnswerYes};
         t.platform.AnswerDialog(f.outputPath);
     }, true, {"Query"}, true},
};
// clang-format on

std::string PromptPathName(const ::testing::TestParamInfo<PromptPathTest::ParamType>& info)
{
    return std::string(std::get<0>(info.param).label) + "_" +
           ActionNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Paths, PromptPathTest,
                         ::testing::Combine(::testing::ValuesIn(PromptScenarios),
                                            ::testing::Values(Action::New, Action::CloseByUser,
                                                              Action::Exit)),
                         PromptPathName);

}  // namespace
}  // namespace skerrow
