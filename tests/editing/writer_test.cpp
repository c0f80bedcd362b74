#include "editing/save_as.h"

#include "editing/open_source.h"
#include "scripted_platform.h"
#include "voice_file_builder.h"
#include "voicefile/head_reader.h"
#include "voicefile/layout.h"

#include <gtest/gtest.h>

#ifndef _WIN32  // links, owners, permission bits, limits and ACLs are the POSIX system's
#include "fs_faults.h"

#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

namespace skerrow {
namespace {

namespace fs = std::filesystem;
using test::BlockFor;
using test::PreambleFor;
using test::ReadBytes;
using test::WriteBytes;

using Voice = test::ExpectedVoice;
using test::ExpectedFile;

// Compares whole files without printing hundreds of kilobytes when they differ.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (diff.first != actual.end())
        return ::testing::AssertionFailure()
               << "first difference at offset " << (diff.first - actual.begin());
    return ::testing::AssertionSuccess();
}

// Writes that succeed for budget bytes in all, the last one short, then fail as a full disk does.
os::ReplaceHooks DiskFullAfter(std::size_t budget)
{
    auto remaining = std::make_shared<std::size_t>(budget);
    os::ReplaceHooks io;
    io.write = [remaining](std::size_t size) -> std::int64_t {
        if (*remaining == 0)
            return -ENOSPC;
        const std::size_t n = std::min(size, *remaining);
        *remaining -= n;
        return static_cast<std::int64_t>(n);
    };
    return io;
}

#ifndef _WIN32
// Descriptors open in this process now, to see that an open or a save closes all it opens.
long OpenDescriptors()
{
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}
#endif

class WriterTest : public ::testing::Test {
public:                     // the fault table below arranges its cases through these
    test::TempDir sources;  // the files voices are copied from
    test::TempDir out;      // the folder saved into
    test::TestLibrarian t;
    std::string target = out.file("bank.1bk");

    std::string MakeSource(const std::string& name, test::VoiceFileSpec spec)
    {
        const std::string path = sources.file(name);
        WriteBytes(path, test::BuildVoiceFile(spec));
        return path;
    }

    void Open(const std::string& path) { ASSERT_TRUE(LoadSourceFile(t.lib, path)); }

    void Add(const std::string& name, const std::string& source, int slot)
    {
        t.List2.AddItem(name);
        t.state.DestEntries[static_cast<std::size_t>(t.List2.Count() - 1)] = {
            source, static_cast<std::int16_t>(slot)};
    }

    // Save As sets the format from the count before it calls the writer.
    bool Save(const std::string& path, const os::ReplaceHooks& io = {})
    {
        t.state.SaveSlots = static_cast<std::int16_t>(layout::SaveSlotsFor(t.List2.Count()));
        return WriteDestinationFile(t.lib, path, io);
    }

    std::vector<std::string> ReadBackNames(const std::string& path)
    {
        const HeadResult head = ReadHead(path);
        EXPECT_EQ(head.status, HeadStatus::Ok);
        return head.status == HeadStatus::Ok ? layout::ListNames(head.image, head.slotCount)
                                             : std::vector<std::string>{};
    }
};

// ---- Bytes of complete files ----

class WriterSizeTest : public WriterTest, public ::testing::WithParamInterface<int> {};

TEST_P(WriterSizeTest, WritesTheExactFileForTheEntryCount)
{
    const int count = GetParam();
    const std::string avc =
        MakeSource("all.avc", {.slotCount = 128, .names = test::NumberedNames(128, "Patch"), .fileId = 3});
    Open(avc);
    std::vector<Voice> voices;
    for (int i = 0; i < count; ++i) {
        const int slot = (i * 37) % 128 + 1;  // every slot once, out of order
        Add(t.List1.Text(slot - 1), avc, slot);
        voices.push_back({t.List1.Text(slot - 1), BlockFor(3, slot)});
    }

    ASSERT_TRUE(Save(target));

    const int slots = layout::SaveSlotsFor(count);
    EXPECT_TRUE(SameBytes(ReadBytes(target), ExpectedFile(PreambleFor(3), slots, voices)));
    EXPECT_EQ(fs::file_size(target), 3072u * static_cast<unsigned>(slots + 1));
    EXPECT_EQ(ReadBackNames(target), t.DestNames());
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    EXPECT_TRUE(t.platform.Messages().empty());
    EXPECT_EQ(out.entries(), std::vector<std::string>{"bank.1bk"});
    std::vector<int> values;
    for (const auto& call : t.platform.calls)
        if (call.kind == test::PlatformCall::Kind::ProgressSetValue)
            values.push_back(call.value);
    EXPECT_EQ(values.size(), static_cast<std::size_t>(slots + 1)) << "0, then once per slot";
    EXPECT_EQ(values.back(), slots);
    EXPECT_EQ(t.platform.Described().back(), "Close(File)");
}

INSTANTIATE_TEST_SUITE_P(Counts, WriterSizeTest, ::testing::Values(1, 5, 16, 17, 128));

TEST_F(WriterTest, AFormatTooSmallForTheListGivesWayToTheCount)
{
    const std::string avc = MakeSource("all.avc", {.slotCount = 128, .names = test::NumberedNames(17, "P")});
    Open(avc);
    for (int slot = 1; slot <= 17; ++slot)
        Add(t.List1.Text(slot - 1), avc, slot);
    t.state.SaveSlots = 16;  // chosen before the last voice was copied

    ASSERT_TRUE(WriteDestinationFile(t.lib, target, {}));
    EXPECT_EQ(ReadHead(target).slotCount, 128);
}

TEST_F(WriterTest, MixesSourcesRepeatsVoicesAndTakesThePreambleFromTheOpenFile)
{
    const std::string a =
        MakeSource("a.1bk", {.slotCount = 16, .names = test::NumberedNames(16, "A"), .fileId = 1});
    const std::string b = MakeSource("b.1vc", {.slotCount = 1, .names = {"Solo"}, .fileId = 2});
    const std::string c =
        MakeSource("c.avc", {.slotCount = 128, .names = test::NumberedNames(128, "C"), .fileId = 3});
    const std::string open = MakeSource("open.1bk", {.slotCount = 16, .names = {"Unused"}, .fileId = 4});
    Add("A2", a, 3);
    Add("C99", c, 100);
    Add("Solo", b, 1);
    Add("A2", a, 3);
    Add("C0", c, 1);
#ifndef _WIN32
    const auto descriptors = OpenDescriptors();
#endif
    Open(open);  // no voice comes from it, yet its preamble heads the file

    ASSERT_TRUE(Save(target));
#ifndef _WIN32
    EXPECT_EQ(OpenDescriptors(), descriptors) << "every file opened is closed again";
#endif

    const std::vector<Voice> voices{{"A2", BlockFor(1, 3)},
                                    {"C99", BlockFor(3, 100)},
                                    {"Solo", BlockFor(2, 1)},
                                    {"A2", BlockFor(1, 3)},
                                    {"C0", BlockFor(3, 1)}};
    EXPECT_TRUE(SameBytes(ReadBytes(target), ExpectedFile(PreambleFor(4), 16, voices)));
}

TEST_F(WriterTest, ReportsProgressPerSlotAndLabelsEachVoiceAfterReadingIt)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("Alpha", a, 2);
    Add("Beta ", a, 1);

    ASSERT_TRUE(Save(target));

    std::vector<std::string> expected{"SetValue(File,0)",
                                      "SetMaximum(File,16)",
                                      "Show(File)",
                                      "SetValue(File,1)",
                                      "Yield",
                                      "SetLabel(File,Writing patch Alpha ...)",
                                      "SetValue(File,2)",
                                      "Yield",
                                      "SetLabel(File,Writing patch Beta  ...)"};
    for (int value = 3; value <= 16; ++value) {
        expected.push_back("SetValue(File," + std::to_string(value) + ")");
        expected.push_back("Yield");
    }
    expected.push_back("Close(File)");
    EXPECT_EQ(t.platform.Described(), expected);
}

TEST_F(WriterTest, ShortWritesStillGiveTheWholeFile)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    Add("Two", a, 2);
    os::ReplaceHooks io;
    io.write = [](std::size_t size) { return static_cast<std::int64_t>(std::min<std::size_t>(size, 1000)); };

    ASSERT_TRUE(Save(target, io));

    EXPECT_TRUE(
        SameBytes(ReadBytes(target),
                  ExpectedFile(PreambleFor(1), 16, {{"One", BlockFor(1, 1)}, {"Two", BlockFor(1, 2)}})));
}

// ---- Replacing files ----

TEST_F(WriterTest, TheOldFileStaysUntilTheNewOneIsCompleteBesideIt)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    Add("Two", a, 2);
    const std::string old(3072 * 129, '\xAA');  // longer than the new file
    WriteBytes(target, old);
    int yields = 0;
    t.platform.onYield = [&] {
        ++yields;
        EXPECT_EQ(ReadBytes(target), old);
        const auto names = out.entries();
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0].rfind(".bank.1bk.skerrow-", 0), 0u) << names[0];
        EXPECT_EQ(names[0].size(), std::string(".bank.1bk.skerrow-XXXXXX").size());
        EXPECT_EQ(names[1], "bank.1bk");
    };

    ASSERT_TRUE(Save(target));

    EXPECT_EQ(yields, 16);
    EXPECT_TRUE(
        SameBytes(ReadBytes(target),
                  ExpectedFile(PreambleFor(1), 16, {{"One", BlockFor(1, 1)}, {"Two", BlockFor(1, 2)}})));
    EXPECT_EQ(out.entries(), std::vector<std::string>{"bank.1bk"});
}

TEST_F(WriterTest, SavingOverTheOpenSourceReadsItsOldVoices)
{
    const std::string bank =
        MakeSource("bank.1bk", {.slotCount = 16, .names = test::NumberedNames(16), .fileId = 5});
    Open(bank);
    Add("Voice15", bank, 16);
    Add("Voice0", bank, 1);
    Add("Voice7", bank, 8);

    ASSERT_TRUE(Save(sources.path().string() + "/./bank.1bk"));  // another spelling of the same file

    const std::string saved =
        ExpectedFile(PreambleFor(5), 16,
                     {{"Voice15", BlockFor(5, 16)}, {"Voice0", BlockFor(5, 1)}, {"Voice7", BlockFor(5, 8)}});
    EXPECT_TRUE(SameBytes(ReadBytes(bank), saved));
    EXPECT_EQ(sources.entries(), std::vector<std::string>{"bank.1bk"});
    // The entries and the source list now follow the new file, so the next save is right too.
    EXPECT_EQ(t.SourceNames(), (std::vector<std::string>{"Voice15   ", "Voice0    ", "Voice7    "}));
    EXPECT_EQ(t.Text1.Text(), "3 entries");
    EXPECT_EQ(t.state.ListSaved, FlagTrue);
    ASSERT_TRUE(Save(out.file("other.1bk")));
    EXPECT_TRUE(SameBytes(ReadBytes(out.file("other.1bk")), saved));
}

TEST_F(WriterTest, ATakenTemporaryNameIsPassedOver)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    const std::string taken = out.file(".bank.1bk.skerrow-AAAAAA");
    WriteBytes(taken, "not ours");
    os::ReplaceHooks io;
    io.temporarySuffix = [n = 0]() mutable { return std::string(6, n++ == 0 ? 'A' : 'B'); };

    ASSERT_TRUE(Save(target, io));

    EXPECT_EQ(ReadBytes(taken), "not ours");
    EXPECT_EQ(out.entries(), (std::vector<std::string>{".bank.1bk.skerrow-AAAAAA", "bank.1bk"}));
}

// A FAT stick refuses bits other than its own: a new file there keeps what it was given.
// Nor does a file replaced there keep the user from saving.
TEST_F(WriterTest, AFileSystemWithoutPermissionBitsStopsNoSave)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    os::ReplaceHooks io;
    io.setPermissions = [] { return EPERM; };
    EXPECT_TRUE(Save(target, io));
    io.setPermissions = [] { return ENOSYS; };
    EXPECT_TRUE(Save(target, io));
    // A name as long as the folder allows, extension included, is no name too long.
    EXPECT_TRUE(Save(out.file(std::string(251, 'n') + ".1bk")));
}

#ifndef _WIN32
TEST_F(WriterTest, ALinkStaysAndTheFileItLeadsToIsReplaced)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    const std::string real = sources.file("real.1bk");
    WriteBytes(real, "old");
    ::chmod(real.c_str(), 0640);
    // link.1bk -> hop.1bk (relative, same folder) -> the real file in another folder
    fs::create_symlink(real, out.file("hop.1bk"));
    fs::create_symlink("hop.1bk", out.file("link.1bk"));
    // In a folder shared by all, a link of the folder's owner is followed as one's own is.
    if (::chown(out.path().c_str(), 65534, 65534) == 0) {
        EXPECT_EQ(::lchown(out.file("link.1bk").c_str(), 65534, 65534), 0);
    }
    ::chmod(out.path().c_str(), 01777);

    ASSERT_TRUE(Save(out.file("link.1bk")));

    EXPECT_EQ(fs::read_symlink(out.file("link.1bk")), "hop.1bk");
    EXPECT_EQ(fs::read_symlink(out.file("hop.1bk")), real);
    EXPECT_TRUE(SameBytes(ReadBytes(real), ExpectedFile(PreambleFor(1), 1, {{"One", BlockFor(1, 1)}})));
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "a replaced file keeps its permission bits";
    EXPECT_EQ(out.entries(), (std::vector<std::string>{"hop.1bk", "link.1bk"}));
    EXPECT_EQ(sources.entries(), (std::vector<std::string>{"a.1bk", "real.1bk"}));
}

TEST_F(WriterTest, ALinkToNoFileYetGetsItsFileCreated)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    fs::create_symlink("new.1bk", out.file("link.1bk"));

    ASSERT_TRUE(Save(out.file("link.1bk")));

    EXPECT_TRUE(fs::is_symlink(out.file("link.1bk")));
    EXPECT_EQ(fs::file_size(out.file("new.1bk")), 3072u * 2);
}

// The folder is resolved once: swapping it for a link in the middle of the save cannot send the
// new file, or the removal of the temporary one, anywhere else.
TEST_F(WriterTest, AFolderSwappedForALinkMidSaveCannotRedirectIt)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    fs::create_directory(out.path() / "sub");
    const std::string sub = out.file("sub");
    t.platform.onYield = [&, swapped = false]() mutable {
        if (std::exchange(swapped, true))
            return;
        fs::rename(sub, out.file("moved"));
        fs::create_symlink(sources.path(), sub);
    };

    ASSERT_TRUE(Save(sub + "/bank.1bk"));

    EXPECT_EQ(fs::file_size(out.file("moved/bank.1bk")), 3072u * 2);
    EXPECT_EQ(sources.entries(), std::vector<std::string>{"a.1bk"});
}

TEST_F(WriterTest, ANewFileGetsTheUsualPermissionBitsOnlyOnceComplete)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    mode_t whileWritten = 0;
    t.platform.onYield = [&] {
        for (const std::string& name : out.entries()) {
            struct stat info {};
            whileWritten |= ::stat(out.file(name).c_str(), &info) == 0 ? info.st_mode & 07777 : 07777;
        }
    };
    const mode_t previous = ::umask(022);
    const bool saved = Save(target);
    ::umask(previous);

    ASSERT_TRUE(saved);
    EXPECT_EQ(whileWritten, 0600u) << "nobody else may open the voices before they are in place";
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}
#endif

// ---- Faults: exactly one message, and nothing lost or left behind ----

class WriterFaultTest;

struct Fault {
    const char* name;
    bool oldFile;  // whether a file is at the target before the save
    // Breaks something and returns the one message the save must give.
    std::function<std::string(WriterFaultTest&)> arrange;
};

void PrintTo(const Fault& fault, std::ostream* os)
{
    *os << fault.name;
}

class WriterFaultTest : public WriterTest, public ::testing::WithParamInterface<Fault> {
public:
    std::string a = MakeSource("a.1bk", {.slotCount = 16, .names = {"A0", "A1", "A2"}, .fileId = 1});
    std::string b = MakeSource("b.1bk", {.slotCount = 16, .names = {"B0", "B1", "B2"}, .fileId = 2});
    os::ReplaceHooks io;
    int yields = 0;
};

#ifndef _WIN32
// As another user would in /tmp: the target becomes that user's link to file (the old target
// moved there when there was one) in a folder that is sticky and writable by all. Returns an
// empty text where the test cannot give a link away (it runs as root in CI).
std::string PlantLink(WriterFaultTest& f, const std::string& file, bool oldFile)
{
    if (oldFile)
        fs::rename(f.target, file);
    fs::create_symlink(file, f.target);
    if (::lchown(f.target.c_str(), 65534, 65534) != 0)
        return {};
    ::chmod(f.out.path().c_str(), 01777);
    return "Creation error: " + f.target;
}
#endif

const Fault Faults[] = {
    {"SourceDeletedAfterCopy", true,
     [](WriterFaultTest& f) {
         fs::remove(f.b);
         return f.b + " not found.";
     }},
    {"SourceVanishesWhileWriting", false,
     [](WriterFaultTest& f) {
         f.t.platform.onYield = [&f] {
             if (++f.yields == 2)
                 fs::remove(f.b);
         };
         return f.b + " not found.";
     }},
    {"SourceIsNowAFolder", true,
     [](WriterFaultTest& f) {
         fs::remove(f.b);
         fs::create_directory(f.b);
         return f.b + " not found.";
     }},
    {"SourceShorterThanItsSlot", true,
     [](WriterFaultTest& f) {
         fs::resize_file(f.b, 3072 * 3 - 1);  // slot 2 needs 3072 * 3 bytes
         return "Read error: " + f.b;
     }},
    {"TargetFolderMissing", false,
     [](WriterFaultTest& f) {
         f.target = f.out.file("missing/bank.1bk");
         return "Creation error: " + f.target;
     }},
    {"TargetIsAFolder", false,
     [](WriterFaultTest& f) {
         fs::create_directory(f.target);
         return "Creation error: " + f.target;
     }},
    {"TargetIsReadOnly", true,
     [](WriterFaultTest& f) {
         fs::permissions(f.target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         return "Creation error: " + f.target;
     }},
#ifndef _WIN32
    {"TargetIsALinkLoop", false,
     [](WriterFaultTest& f) {
         fs::create_symlink("bank.1bk", f.target);
         return "Creation error: " + f.target;
     }},
    {"TargetIsALinkOfAnotherUserInASharedFolder", true,
     [](WriterFaultTest& f) { return PlantLink(f, f.sources.file("private.1bk"), true); }},
    {"TargetIsADanglingLinkOfAnotherUserInASharedFolder", false,
     [](WriterFaultTest& f) { return PlantLink(f, f.sources.file("new.1bk"), false); }},
    {"TargetFolderIsALinkOfAnotherUserInASharedFolder", true,
     [](WriterFaultTest& f) {
         // The link stands before the last part of the path: the rule holds there too.
         const fs::path banks = f.sources.path() / "banks";
         fs::create_directory(banks);
         fs::rename(f.target, banks / "bank.1bk");
         const std::string link = f.out.file("bdir");
         fs::create_symlink(banks, link);
         if (::lchown(link.c_str(), 65534, 65534) != 0)
             return std::string();
         ::chmod(f.out.path().c_str(), 01777);
         f.target = link + "/bank.1bk";
         return "Creation error: " + f.target;
     }},
#endif
    {"NameTooLongForTheFolder", false,
     [](WriterFaultTest& f) {
         f.target = f.out.file(std::string(252, 'n') + ".1bk");
         return "Creation error: " + f.target;
     }},
    {"DiskFullInTheHead", true,
     [](WriterFaultTest& f) {
         f.io = DiskFullAfter(1000);
         return "Write error: " + f.target;
     }},
    {"DiskFullInACopiedVoice", true,
     [](WriterFaultTest& f) {
         f.io = DiskFullAfter(3072 * 2 + 500);
         return "Write error: " + f.target;
     }},
    {"DiskFullInTheZeroBlocks", false,
     [](WriterFaultTest& f) {
         f.io = DiskFullAfter(3072 * 5 + 10);
         return "Write error: " + f.target;
     }},
    {"PermissionBitsFailOnTheDisk", true,
     [](WriterFaultTest& f) {
         f.io.setPermissions = [] { return EIO; };
         return "Write error: " + f.target;
     }},
    {"FlushToDiskFails", true,
     [](WriterFaultTest& f) {
         f.io.flush = [] { return EIO; };
         return "Write error: " + f.target;
     }},
    {"TargetTakenByAFolderBeforeTheRename", false,
     [](WriterFaultTest& f) {
         f.t.platform.onYield = [&f] {
             if (++f.yields == 16)
                 fs::create_directory(f.target);
         };
         return "Write error: " + f.target;
     }},
};

TEST_P(WriterFaultTest, FailsWithOneMessageAndChangesNothing)
{
    Open(a);
    Add("A0", a, 1);
    Add("B1", b, 2);
    Add("A2", a, 3);
    const std::string old = BlockFor(9, 9);
    if (GetParam().oldFile)
        WriteBytes(target, old);
    const std::string message = GetParam().arrange(*this);
    if (message.empty())
        GTEST_SKIP() << "needs the right to give a file to another user";
    const auto folderBefore = out.entries();
    const auto namesBefore = t.DestNames();
    const auto entriesBefore = t.state.DestEntries;
    t.state.ListSaved = FlagFalse;
    t.state.SaveAborted = FlagFalse;

    EXPECT_FALSE(Save(target, io));
    std::error_code ec;
    fs::permissions(out.path(), fs::perms::owner_all,
                    ec);  // the system may refuse to follow links in a shared folder

    const auto messages = t.platform.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, message);
    EXPECT_EQ(messages[0].title, "Error");
    EXPECT_EQ(messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);

    // The window, when it was shown, is closed before the message; a creation error shows none.
    const auto calls = t.platform.Described();
    const bool creation = message.rfind("Creation error: ", 0) == 0;
    if (creation) {
        EXPECT_EQ(calls.size(), 1u);
    } else {
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], "Close(File)");
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Show(File)"), 1);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Close(File)"), 1);
    }

    if (GetParam().oldFile)
        EXPECT_EQ(ReadBytes(target), old);
    else
        EXPECT_FALSE(fs::is_regular_file(target, ec));
    // Apart from what the fault itself put at the target, the folder is as it was.
    auto before = folderBefore;
    auto after = out.entries();
    std::erase(before, "bank.1bk");
    std::erase(after, "bank.1bk");
    EXPECT_EQ(after, before) << "no temporary file may be left behind";
    EXPECT_EQ(t.state.ListSaved, FlagFalse);
    EXPECT_EQ(t.state.SaveAborted, FlagFalse);
    EXPECT_EQ(t.DestNames(), namesBefore);
    EXPECT_TRUE(t.state.DestEntries == entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Faults, WriterFaultTest, ::testing::ValuesIn(Faults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, AFailedReadLabelsNoVoiceForIt)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    const std::string gone = sources.file("gone.1bk");
    Open(a);
    Add("Kept", a, 1);
    Add("Lost", gone, 1);

    EXPECT_FALSE(Save(target));

    EXPECT_EQ(t.platform.DescribedProgress(),
              (std::vector<std::string>{"SetValue(File,0)", "SetMaximum(File,16)", "Show(File)",
                                        "SetValue(File,1)", "Yield", "SetLabel(File,Writing patch Kept ...)",
                                        "SetValue(File,2)", "Yield", "Close(File)"}));
}

#ifndef _WIN32
TEST_F(WriterTest, AReadOnlyTargetKeepsItsBitsAfterTheRefusal)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    WriteBytes(target, "old");
    ::chmod(target.c_str(), 0444);

    EXPECT_FALSE(Save(target));

    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(WriterTest, AFileSizeLimitFailsTheSaveAndKeepsTheOldFile)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    Add("Two", a, 2);
    const std::string old(100, 'o');
    WriteBytes(target, old);

    // The signal at its default, as in a shell under ulimit -f: the save must not die of it.
    const std::string report = test::RunWithFileSizeLimit(
        20000,
        [&]() -> std::string {
            if (Save(target))
                return "the save succeeded past the limit";
            const auto messages = t.platform.Messages();
            if (messages.size() != 1 || messages[0].text != "Write error: " + target)
                return "wrong messages: " + std::to_string(messages.size()) +
                       (messages.empty() ? std::string() : " " + messages[0].text);
            if (t.state.ListSaved != FlagFalse)
                return "ListSaved was set";
            return "ok";
        },
        /*ignoreSignal=*/false);

    EXPECT_EQ(report, "ok");
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(out.entries(), std::vector<std::string>{"bank.1bk"});
}

// ---- What a save keeps of the file it replaces ----

struct Keep {
    const char* name;
    mode_t folderMode;
    unsigned oldUid, oldGid;
    mode_t oldMode;
    unsigned saverUid;
    std::vector<unsigned> saverGroups;
    // The new file's bits and owner, or the one message the save must give instead.
    mode_t mode;
    unsigned uid, gid;
    const char* refusal;
    unsigned folderUid = 0;
};

void PrintTo(const Keep& keep, std::ostream* os)
{
    *os << keep.name;
}

class WriterKeepTest : public WriterTest, public ::testing::WithParamInterface<Keep> {};

// Group 3000 is shared by users 2001 and 2002; each saves over the other's files where the
// folder lets them.
const Keep Keeps[] = {
    // Set-id bits never pass to a file whose content changed: the new owner may be the saver.
    {"AnotherUsersSetUidFileInAGroupFolder",
     02775,
     2002,
     3000,
     04755,
     2001,
     {2001, 3000},
     0755,
     2001,
     3000,
     ""},
    {"AnotherUsersSetGidFile", 0777, 2002, 3000, 02777, 2001, {2001, 3000}, 0777, 2001, 3000, ""},
    {"OwnSetIdFile", 0700, 0, 0, 06755, 0, {0}, 0755, 0, 0, ""},
    {"StickyBitWithTheSameOwner", 0700, 0, 0, 01644, 0, {0}, 01644, 0, 0, ""},
    {"StickyBitNotGivenToANewOwner", 0777, 2002, 3000, 01664, 2001, {2001, 3000}, 0664, 2001, 3000, ""},
    {"GroupKeptWhereTheSaverIsInIt", 0777, 2002, 3000, 0664, 2001, {2001, 3000}, 0664, 2001, 3000, ""},
    {"OwnerAndGroupKeptWhereTheSaverMayGiveThem", 0700, 2002, 3000, 0640, 0, {0}, 0640, 2002, 3000, ""},
    // The rename would be refused: say so before anything is written.
    {"AnotherUsersFileInAStickyFolder", 01777, 2002, 2002, 0666, 2001, {2001}, 0, 0, 0, "Creation error: "},
    // A file planted in a shared folder would get the superuser's content and stay its planter's.
    {"AFilePlantedForTheSuperuserInASharedFolder",
     01777,
     2002,
     2002,
     0666,
     0,
     {0},
     0,
     0,
     0,
     "Creation error: "},
    {"AFilePlantedForTheSuperuserInAGroupsStickyFolder",
     01770,
     2002,
     3000,
     0666,
     0,
     {0},
     0,
     0,
     0,
     "Creation error: "},
    // Where nobody else may write, or the folder is the saver's own, the rename is allowed.
    {"TheSuperuserInAStickyFolderNobodyElseWrites", 01755, 2002, 3000, 0644, 0, {0}, 0644, 2002, 3000, ""},
    {"AnotherUsersFileInTheSaversOwnStickyFolder",
     01777,
     2002,
     3000,
     0666,
     2001,
     {2001, 3000},
     0666,
     2001,
     3000,
     "",
     2001},
};

TEST_P(WriterKeepTest, GivesTheNewFileWhatTheOldOneMayKeep)
{
    const Keep& keep = GetParam();
    ::chmod(sources.path().c_str(), 0755);
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    const std::string old = BlockFor(9, 9);
    WriteBytes(target, old);
    ASSERT_EQ(::chown(out.path().c_str(), keep.folderUid, 3000), 0);
    ASSERT_EQ(::chmod(out.path().c_str(), keep.folderMode), 0);
    ASSERT_EQ(::chown(target.c_str(), keep.oldUid, keep.oldGid), 0);
    ASSERT_EQ(::chmod(target.c_str(), keep.oldMode), 0);

    const std::string report = test::RunAsUser(keep.saverUid, keep.saverGroups, [&]() -> std::string {
        const bool saved = Save(target);
        const auto messages = t.platform.Messages();
        if (saved)
            return messages.empty() ? "saved" : "saved with a message";
        if (messages.size() != 1)
            return "failed with " + std::to_string(messages.size()) + " messages";
        // A refusal up front shows no progress window.
        return messages[0].text + (t.platform.Described().size() == 1 ? "" : " after progress");
    });

    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    if (*keep.refusal != '\0') {
        EXPECT_EQ(report, keep.refusal + target);
        EXPECT_EQ(ReadBytes(target), old);
        EXPECT_EQ(out.entries(), std::vector<std::string>{"bank.1bk"});
        return;
    }
    ASSERT_EQ(report, "saved");
    EXPECT_TRUE(SameBytes(ReadBytes(target), ExpectedFile(PreambleFor(1), 1, {{"One", BlockFor(1, 1)}})));
    EXPECT_EQ(info.st_mode & 07777, keep.mode);
    EXPECT_EQ(info.st_uid, keep.uid);
    EXPECT_EQ(info.st_gid, keep.gid);
}

INSTANTIATE_TEST_SUITE_P(Keeps, WriterKeepTest, ::testing::ValuesIn(Keeps),
                         [](const auto& info) { return std::string(info.param.name); });

// The output of a command, or empty when it failed.
std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, n);
        if (::pclose(pipe) != 0)
            text.clear();
    }
    return text;
}

// ACLs and extended attributes: what sed -i keeps of a file it edits, and what touch gives a new
// one, a save keeps and gives too.
TEST_F(WriterTest, KeepsTheAclAndAttributesAndGivesANewFileTheFoldersDefaultAcl)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Add("One", a, 1);
    WriteBytes(target, "old\n");
    ::chmod(target.c_str(), 0600);
    const std::string edited = out.file("edited");
    WriteBytes(edited, "old\n");
    ::chmod(edited.c_str(), 0600);
    for (const std::string& file : {target, edited}) {
        if (Output("setfacl -m u:65534:rw '" + file + "' && setfattr -n user.note -v kept '" + file +
                   "' && echo ok") != "ok\n")
            GTEST_SKIP() << "no ACLs or user attributes on this file system";
    }
    ASSERT_EQ(Output("sed -i s/old/new/ '" + edited + "' && echo ok"), "ok\n");

    ASSERT_TRUE(Save(target));

    const auto acl = [](const std::string& file) { return Output("getfacl -cp '" + file + "'"); };
    EXPECT_NE(acl(target).find("user:nobody:rw-"), std::string::npos) << acl(target);
    EXPECT_EQ(acl(target), acl(edited));
    EXPECT_EQ(Output("getfattr --absolute-names --only-values -n user.note '" + target + "'"), "kept");

    // A new file in a folder whose default ACL keeps others out.
    const fs::path shared = out.path() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(Output("setfacl -d -m u::rwx,g::rwx,o::---,u:65534:rwx '" + shared.string() + "' && touch '" +
                     (shared / "touched").string() + "' && echo ok"),
              "ok\n");
    ASSERT_TRUE(Save((shared / "new.1bk").string()));
    EXPECT_EQ(acl((shared / "new.1bk").string()), acl((shared / "touched").string()));
}

// A file its owner may write but not read still has an ACL, readable through its name: the save
// keeps it, and with it the group class bits that are its mask.
TEST_F(WriterTest, KeepsTheAclOfAFileTheSaverCannotRead)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    ::chmod(sources.path().c_str(), 0755);
    Add("One", a, 1);
    WriteBytes(target, "old\n");
    ASSERT_EQ(::chown(out.path().c_str(), 2001, 2001), 0);
    ASSERT_EQ(::chown(target.c_str(), 2001, 2001), 0);
    if (Output("setfacl -m u:65534:r '" + target + "' && chmod 0260 '" + target + "' && echo ok") != "ok\n")
        GTEST_SKIP() << "no ACLs on this file system";
    const auto acl = [](const std::string& file) { return Output("getfacl -cp '" + file + "'"); };
    const std::string before = acl(target);

    EXPECT_EQ(test::RunAsUser(2001, {2001}, [&] { return std::string(Save(target) ? "saved" : "refused"); }),
              "saved");
    EXPECT_EQ(acl(target), before);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0260U);
}

// A USB stick's FAT keeps no permission bits and refuses to set them: saving over a bank there
// works as it does anywhere.
TEST_F(WriterTest, SavesOverAFileOnAFileSystemWithoutPermissionBits)
{
    const std::string a = MakeSource("a.1bk", {.slotCount = 16, .fileId = 1});
    Open(a);
    Add("One", a, 1);
    const std::string image = out.file("stick.img");
    const std::string stick = out.file("stick");
    if (Output("command -v mkfs.fat fusefat >/dev/null && truncate -s 4M '" + image + "' && mkfs.fat '" +
               image + "' >/dev/null && mkdir '" + stick + "' && fusefat -o rw+ '" + image + "' '" + stick +
               "' >/dev/null 2>&1 && echo ok") != "ok\n")
        GTEST_SKIP() << "no FAT file system can be mounted here (needs fusefat and /dev/fuse)";
    struct Unmount {
        std::string at;
        ~Unmount() { Output("fusermount -u '" + at + "' || umount '" + at + "'"); }
    } unmount{stick};
    const std::string bank = stick + "/BANK.1BK";

    ASSERT_TRUE(Save(bank));
    ASSERT_TRUE(Save(bank)) << "saving over the file failed";

    EXPECT_TRUE(SameBytes(ReadBytes(bank), ExpectedFile(PreambleFor(1), 1, {{"One", BlockFor(1, 1)}})));
    EXPECT_EQ(t.platform.Messages().size(), 0u);
}

#endif

}  // namespace
}  // namespace skerrow
