// Paths that name no plain file: a named pipe with no writer would block a read for ever, so
// opening one, or saving a voice whose source has become one, must be refused at once like a
// missing file. Each case runs in a child with an alarm, so that a hang fails the test instead
// of stopping the run.

#include "editing/open_source.h"
#include "editing/save_as.h"
#include "fs_faults.h"
#include "scripted_platform.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {
namespace {

namespace fs = std::filesystem;

constexpr unsigned AlarmSeconds = 10;

// Runs body in a child that an alarm ends if it waits too long.
std::string WithinAlarm(const std::function<std::string()>& body)
{
    return test::RunWithFileSizeLimit(1u << 30, [&] {
        ::alarm(AlarmSeconds);
        return body();
    });
}

std::string OnlyMessage(const test::TestLibrarian& t)
{
    const auto messages = t.platform.Messages();
    if (messages.size() != 1)
        return std::to_string(messages.size()) + " messages";
    return messages[0].title + ": " + messages[0].text;
}

class SpecialFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WriteBytes(bank,
                         test::BuildVoiceFile({.slotCount = 16, .names = {"Flute", "Oboe"}, .fileId = 3}));
        ASSERT_TRUE(LoadSourceFile(t.lib, bank));
        t.platform.ClearCalls();
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    }

    test::TempDir dir;
    test::TestLibrarian t;
    const std::string bank = dir.file("bank.1bk");
    const std::string pipe = dir.file("pipe.1bk");
};

TEST_F(SpecialFileTest, OpeningANamedPipeIsRefusedAtOnceAndKeepsTheSource)
{
    const std::string report = WithinAlarm([&]() -> std::string {
        if (LoadSourceFile(t.lib, pipe))
            return "the pipe became the source";
        if (t.state.CurrentSourcePath != bank || t.SourceNames().size() != 2)
            return "the previous source was lost";
        return OnlyMessage(t);
    });
    EXPECT_EQ(report, "Error: " + pipe + " not found.");
}

TEST_F(SpecialFileTest, ASourceThatBecameANamedPipeFailsTheSaveAtOnce)
{
    const std::string target = dir.file("out.1bk");
    for (const std::string& source : {bank, pipe}) {
        t.List2.AddItem("Voice");
        t.state.DestEntries[static_cast<std::size_t>(t.List2.Count() - 1)] = {source, 1};
    }
    t.state.SaveSlots = 16;

    const std::string report = WithinAlarm([&]() -> std::string {
        if (WriteDestinationFile(t.lib, target))
            return "saved a voice from a pipe";
        return OnlyMessage(t);
    });
    EXPECT_EQ(report, "Error: " + pipe + " not found.");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bank.1bk", "pipe.1bk"}));
}

}  // namespace
}  // namespace skerrow
