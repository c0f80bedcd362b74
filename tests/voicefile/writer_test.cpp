#include "voicefile/writer.h"

#include "voice_file_builder.h"
#include "voicefile/layout.h"

#include <gtest/gtest.h>

#include <map>

namespace skerrow {
namespace {

using test::BlockFor;

// Voice files kept in memory, one FileId each, read as the disk source would read them.
class MemorySources final : public BlockSource {
public:
    void Add(const std::string& path, std::uint8_t fileId, int slots)
    {
        m_files[path] = {test::BuildVoiceFile({.slotCount = slots, .fileId = fileId}), fileId};
    }
    BlockRead Read(const VoiceFileEntry& entry, std::string& block) override
    {
        const auto file = m_files.find(entry.sourcePath);
        if (file == m_files.end())
            return {WriteFailure::SourceNotFound, 2, std::nullopt};
        const os::FileId id{1, file->second.id};
        const std::uint64_t offset = layout::BlockOffset(entry.slot);
        if (entry.slot < 1 || offset + layout::BlockSize > file->second.bytes.size())
            return {WriteFailure::SourceRead, 0, id};
        block = file->second.bytes.substr(offset, layout::BlockSize);
        return {WriteFailure::None, 0, id};
    }

private:
    struct File {
        std::string bytes;
        std::uint64_t id = 0;
    };
    std::map<std::string, File> m_files;
};

// A target that keeps what is written, puts it in place only on Commit, and can fail any step.
class MemoryTarget final : public os::ReplacingFile {
public:
    bool Create() override { return Step(failCreate); }
    bool Write(std::string_view bytes) override
    {
        if (written.size() + bytes.size() > room)
            return Step(true);
        written += bytes;
        return true;
    }
    bool Commit() override
    {
        if (!Step(failCommit))
            return false;
        committed = written;
        return true;
    }
    int Error() const override { return m_error; }
    bool NotPlain() const override { return false; }
    std::optional<os::FileId> Replaced() const override { return replaced; }

    bool failCreate = false;
    bool failCommit = false;
    std::size_t room = std::string::npos;
    std::optional<os::FileId> replaced;
    std::string written;
    std::optional<std::string> committed;

private:
    bool Step(bool fail)
    {
        m_error = fail ? 28 : 0;
        return !fail;
    }
    int m_error = 0;
};

class RecordedProgress final : public WriteProgress {
public:
    void Started(int slots) override { Record("Started ", std::to_string(slots)); }
    void SlotStarted(int slot) override { Record("Slot ", std::to_string(slot)); }
    void VoiceRead(const std::string& name) override { Record("Read ", name); }
    std::vector<std::string> events;

private:
    void Record(std::string what, const std::string& detail) { events.push_back(what.append(detail)); }
};

class VoiceFileWriterTest : public ::testing::Test {
protected:
    VoiceFileWriterTest()
    {
        sources.Add("a.1bk", 1, 16);
        sources.Add("c.avc", 3, 128);
        sources.Add("b.1vc", 2, 1);
    }
    WriteResult Write(const VoiceFileContents& what)
    {
        return WriteVoiceFile(what, sources, target, progress);
    }

    MemorySources sources;
    MemoryTarget target;
    RecordedProgress progress;
};

TEST_F(VoiceFileWriterTest, WritesTheHeadTheBlocksInOrderAndZerosForEveryFormat)
{
    for (const int count : {1, 5, 16, 17, 128}) {
        VoiceFileContents what{"Preamble of the open file", layout::SaveSlotsFor(count), {}};
        std::vector<test::ExpectedVoice> voices;
        for (int i = 0; i < count; ++i) {
            // Mixed sources, repeated and out-of-order slots.
            const int slot = (i * 37) % 128 + 1;
            const bool fromBank = i % 3 == 1;
            const std::string name = test::NumberedNames(i + 1, "V").back();
            what.entries.push_back({name, fromBank ? "a.1bk" : "c.avc", fromBank ? slot % 16 + 1 : slot});
            voices.push_back({name, fromBank ? BlockFor(1, slot % 16 + 1) : BlockFor(3, slot)});
        }
        target = MemoryTarget();

        ASSERT_TRUE(Write(what)) << count;

        ASSERT_TRUE(target.committed) << count;
        EXPECT_EQ(*target.committed, test::ExpectedFile(what.preamble, what.slotCount, voices)) << count;
    }
}

TEST_F(VoiceFileWriterTest, NamesArePaddedOrCutOnDiskAndReportedWhole)
{
    const std::vector<std::string> names{"Pad", "ExactlyTen", "Trail   ", "LongerThanTen",
                                         "\x80\xFF\xA0\xE9hi"};
    VoiceFileContents what{"", 16, {}};
    for (const std::string& name : names)
        what.entries.push_back({name, "a.1bk", 1});

    ASSERT_TRUE(Write(what));

    const std::string head = target.committed->substr(0, layout::HeadSize);
    EXPECT_EQ(layout::ListNames(head, 16),
              (std::vector<std::string>{"Pad       ", "ExactlyTen", "Trail     ", "LongerThan",
                                        "\x80\xFF\xA0\xE9hi    "}));
    std::vector<std::string> read;
    for (const std::string& event : progress.events)
        if (event.rfind("Read ", 0) == 0)
            read.push_back(event.substr(5));
    EXPECT_EQ(read, names);
}

// A failure at any step leaves nothing committed and says which step and which file.
TEST_F(VoiceFileWriterTest, AFailureCommitsNothingAndNamesItsCause)
{
    const VoiceFileContents twoVoices{"", 16, {{"A", "a.1bk", 1}, {"B", "b.1vc", 1}}};
    struct Case {
        const char* name;
        VoiceFileContents what;
        void (*arrange)(MemoryTarget&);
        WriteFailure failure;
        std::string path;
        std::size_t events;  // progress reported before the failure
    };
    const Case cases[] = {
        {"CountTooSmall",
         {"", 1, {{"A", "a.1bk", 1}, {"B", "a.1bk", 2}}},
         [](MemoryTarget&) {},
         WriteFailure::Creation,
         "",
         0},
        {"CannotCreate", twoVoices, [](MemoryTarget& t) { t.failCreate = true; }, WriteFailure::Creation, "",
         0},
        {"HeadNotWritten", twoVoices, [](MemoryTarget& t) { t.room = 100; }, WriteFailure::Write, "", 1},
        {"SourceMissing",
         {"", 16, {{"A", "a.1bk", 1}, {"X", "gone.1bk", 1}}},
         [](MemoryTarget&) {},
         WriteFailure::SourceNotFound,
         "gone.1bk",
         4},
        {"SlotPastTheSource",
         {"", 16, {{"A", "b.1vc", 2}}},
         [](MemoryTarget&) {},
         WriteFailure::SourceRead,
         "b.1vc",
         2},
        {"CommitFails", twoVoices, [](MemoryTarget& t) { t.failCommit = true; }, WriteFailure::Write, "", 19},
    };
    for (const Case& c : cases) {
        target = MemoryTarget();
        progress.events.clear();
        c.arrange(target);

        const WriteResult result = Write(c.what);

        EXPECT_EQ(result.failure, c.failure) << c.name;
        EXPECT_EQ(result.path, c.path) << c.name;
        EXPECT_FALSE(target.committed) << c.name;
        EXPECT_EQ(progress.events.size(), c.events) << c.name;
    }
}

TEST_F(VoiceFileWriterTest, TellsWhichEntriesCameFromTheFileItReplaced)
{
    target.replaced = os::FileId{1, 3};  // c.avc
    const VoiceFileContents what{
        "", 16, {{"A", "a.1bk", 1}, {"C", "c.avc", 9}, {"B", "b.1vc", 1}, {"D", "c.avc", 2}}};

    const WriteResult result = Write(what);

    ASSERT_TRUE(result);
    EXPECT_EQ(result.replaced, target.replaced);
    EXPECT_EQ(result.entriesFromReplaced, (std::vector<std::size_t>{1, 3}));
}

}  // namespace
}  // namespace skerrow
