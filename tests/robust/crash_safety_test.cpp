// A save that is killed, at any moment from the first byte to the rename, must leave at the
// target either the complete old file or the complete new one, and at most a temporary file with
// the writer's recognisable name beside it. The saves run in forked children that die by SIGKILL,
// either from inside the writer's I/O at a chosen byte or from the parent at a random moment.

#include "editing/save_as.h"

#include "editing/open_source.h"
#include "fs_faults.h"
#include "scripted_platform.h"
#include "voice_file_builder.h"
#include "voicefile/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <regex>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace skerrow {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

constexpr int Voices = 128;
constexpr std::size_t FileBytes = 3072 * 129;

// The name a save to "out.avc" writes under until it is complete.
bool IsTemporaryName(const std::string& name)
{
    static const std::regex pattern(R"(\.out\.avc\.skerrow-[A-Za-z0-9]{6})");
    return std::regex_match(name, pattern);
}

enum class Outcome { Old, New, Other };

// Spares the output hundreds of kilobytes when a file is neither.
const char* Describe(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Old:
        return "the old file";
    case Outcome::New:
        return "the new file";
    case Outcome::Other:
        break;
    }
    return "neither the complete old nor the complete new file";
}

void WaitFor(pid_t child, int& status)
{
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

// stem followed by the number; appended, as GCC 12 warns wrongly about joining a literal to a
// temporary string in optimised builds.
std::string Numbered(const char* stem, int number)
{
    std::string text = stem;
    text += std::to_string(number);
    return text;
}

class CrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 128 voices from 128 different files, over an existing .avc that differs in every part.
        for (int i = 0; i < Voices; ++i) {
            const std::string path = sources.file(Numbered("voice", i) + ".1vc");
            WriteBytes(path, test::BuildVoiceFile({.slotCount = 1,
                                                   .names = {Numbered("V", i)},
                                                   .fileId = static_cast<std::uint8_t>(i + 1)}));
            if (i == 0) {
                ASSERT_TRUE(LoadSourceFile(t.lib, path));
            }
            t.List2.AddItem(Numbered("Voice ", i));
            t.state.DestEntries[static_cast<std::size_t>(i)] = {path, 1};
        }
        t.state.SaveSlots = 128;
        oldFile =
            test::BuildVoiceFile({.slotCount = 128, .names = test::NumberedNames(128, "Old"), .fileId = 200});
        // The parent never saves itself: each child then starts the writer as a freshly started
        // program would, not from a state it shares with all its siblings.
        const std::string reference = sources.file("reference.avc");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(WriteDestinationFile(t.lib, reference) ? 0 : 1);
        int status = 0;
        WaitFor(child, status);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        newFile = ReadBytes(reference);
        ASSERT_EQ(newFile.size(), FileBytes);
        ASSERT_EQ(oldFile.size(), FileBytes);
        ASSERT_NE(oldFile, newFile);
        WriteBytes(target, oldFile);
    }

    Outcome Observe() const
    {
        std::error_code error;
        if (!fs::is_regular_file(target, error))
            return Outcome::Other;
        const std::string bytes = ReadBytes(target);
        return bytes == oldFile ? Outcome::Old : bytes == newFile ? Outcome::New : Outcome::Other;
    }

    // Everything in the save folder but the target must be a temporary file of a killed save.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> names = out.entries();
        std::erase(names, "out.avc");
        return names;
    }

    void ExpectOnlyTemporaryLeftovers() const
    {
        for (const std::string& name : Leftovers())
            EXPECT_TRUE(IsTemporaryName(name)) << "unexpected file left beside the target: " << name;
    }

    test::TempDir sources;
    test::TempDir out;
    test::TestLibrarian t;
    const std::string target = out.file("out.avc");
    std::string oldFile;
    std::string newFile;
};

// ---- Killed from inside the save, at a chosen byte ----

// Where a child dies: after `bytes` bytes of the new file went out (a write that would pass
// them is cut there), while it flushes the complete file to disk, or once the save returned.
struct KillPoint {
    enum class When { AtByte, InFlush, AfterSave } when = When::AtByte;
    std::size_t bytes = 0;
    int signal = SIGKILL;
};

[[noreturn]] void Die(int signal)
{
    ::raise(signal);
    ::_exit(99);  // not reached
}

// Runs in the child: installs I/O that dies at the point, saves, and dies after it if it got
// that far. Exits with 3 if it was never killed.
[[noreturn]] void SaveAndDie(test::TestLibrarian& t, const std::string& target, KillPoint point)
{
    auto written = std::make_shared<std::size_t>(0);
    os::ReplaceHooks io;
    // Lets the write reach the point exactly, and dies when the next one starts there.
    io.write = [written, point](std::size_t size) -> std::int64_t {
        std::size_t allowed = size;
        if (point.when == KillPoint::When::AtByte && *written + size > point.bytes) {
            allowed = point.bytes - *written;
            if (allowed == 0)
                Die(point.signal);
        }
        *written += allowed;
        return static_cast<std::int64_t>(allowed);
    };
    io.flush = [point] {
        if (point.when == KillPoint::When::InFlush)
            Die(point.signal);
        return 0;
    };
    WriteDestinationFile(t.lib, target, io);
    if (point.when == KillPoint::When::AfterSave)
        Die(point.signal);
    ::_exit(3);
}

TEST_F(CrashSafetyTest, AKillAtAnyByteOfTheWriteLeavesTheOldFileAndAfterTheRenameTheNew)
{
    std::vector<KillPoint> points;
    for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{3071}, std::size_t{3072},
                                    std::size_t{3073}, FileBytes - 1})
        points.push_back({KillPoint::When::AtByte, bytes});
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> anyByte(0, FileBytes - 1);
    for (int i = 0; i < 200; ++i)
        points.push_back({KillPoint::When::AtByte, anyByte(random)});
    points.push_back({KillPoint::When::InFlush, 0});
    points.push_back({KillPoint::When::AfterSave, 0});

    std::size_t leftovers = 0;
    for (const KillPoint& point : points) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            SaveAndDie(t, target, point);
        int status = 0;
        WaitFor(child, status);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the save was to die at byte " << point.bytes << "; exit status " << status;

        const Outcome expected = point.when == KillPoint::When::AfterSave ? Outcome::New : Outcome::Old;
        const Outcome outcome = Observe();
        ASSERT_EQ(outcome, expected) << "killed at byte " << point.bytes << " (of " << FileBytes
                                     << "), the target is " << Describe(outcome);

        // A save killed after it created its temporary file leaves that file, and only that.
        const std::size_t now = Leftovers().size();
        ASSERT_LE(now, leftovers + 1) << "killed at byte " << point.bytes;
        leftovers = now;
        if (outcome == Outcome::New)
            WriteBytes(target, oldFile);
    }
    ExpectOnlyTemporaryLeftovers();
    EXPECT_GE(leftovers, 200u) << "every save killed before its rename leaves its temporary file";
}

// Ctrl+C, a terminal hanging up or a plain kill: the program ends as the signal says, and its
// temporary file goes with it.
TEST_F(CrashSafetyTest, ACatchableSignalMidSaveEndsTheProgramAndLeavesNothingBehind)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(signal, SIG_DFL);  // as in a program started from a terminal
            os::RemoveOnTermination();
            SaveAndDie(t, target, {KillPoint::When::AtByte, FileBytes / 2, signal});
        }
        int status = 0;
        WaitFor(child, status);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        EXPECT_EQ(Observe(), Outcome::Old);
        EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << "after signal " << signal;
    }
}

// ---- Killed from outside, at a random moment ----

// Runs a save in a child and returns it; the child tells the parent through ready that it is
// about to start, and ends normally if nothing kills it.
pid_t StartSave(test::TestLibrarian& t, const std::string& target, int ready)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    const char go = 'g';
    if (::write(ready, &go, 1) != 1)
        ::_exit(4);
    ::_exit(WriteDestinationFile(t.lib, target) ? 0 : 5);
}

bool AwaitStart(int ready)
{
    char go = 0;
    ssize_t n = 0;
    while ((n = ::read(ready, &go, 1)) < 0 && errno == EINTR) {
    }
    return n == 1;
}

TEST_F(CrashSafetyTest, AKillFromOutsideAtARandomMomentLeavesTheOldOrTheNewFile)
{
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);

    // How long a whole save takes here, so that the kills can be spread over all of it.
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::duration> durations;
    for (int i = 0; i < 5; ++i) {
        const pid_t child = StartSave(t, target, channel[1]);
        ASSERT_GE(child, 0);
        ASSERT_TRUE(AwaitStart(channel[0]));
        const auto start = Clock::now();
        int status = 0;
        WaitFor(child, status);
        durations.push_back(Clock::now() - start);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a plain save failed: " << status;
        ASSERT_EQ(Observe(), Outcome::New);
        WriteBytes(target, oldFile);
    }
    // The median: the first save of a run is often far slower than the rest, and a span set by it
    // would send most kills past the end. A machine that gets busier is met by the growing span.
    std::sort(durations.begin(), durations.end());
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(durations[durations.size() / 2]);

    // Up to half past that, so that kills also fall around the rename and some saves finish. When
    // the machine gets busier than it was while measuring, saves outlast that span and no kill
    // lands after a rename; the span then grows until one does.
    std::mt19937 random(20240612);
    long span = whole.count() * 3 / 2;
    int kills = 0;
    int olds = 0;
    int news = 0;
    int sinceLastNew = 0;
    for (int attempt = 0; (kills < 200 || olds == 0 || news == 0) && attempt < 4000; ++attempt) {
        if (sinceLastNew == 50) {
            span *= 2;
            sinceLastNew = 0;
        }
        const pid_t child = StartSave(t, target, channel[1]);
        ASSERT_GE(child, 0);
        ASSERT_TRUE(AwaitStart(channel[0]));
        // Sleeps rather than watches the clock: a waiting parent that kept its processor could
        // hold the child off it for a whole time slice, and every kill would land before the
        // save began. A late wake-up only moves a kill further into the save.
        const std::chrono::microseconds delay(std::uniform_int_distribution<long>(0, span)(random));
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        WaitFor(child, status);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        ASSERT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "status " << status;
        kills += killed ? 1 : 0;

        const Outcome outcome = Observe();
        ASSERT_NE(outcome, Outcome::Other) << "killed " << delay.count() << " us into a save of about "
                                           << whole.count() << " us: the target is " << Describe(outcome);
        if (outcome == Outcome::New) {
            ++news;
            sinceLastNew = 0;
            WriteBytes(target, oldFile);
        } else {
            ++olds;
            ++sinceLastNew;
        }
    }
    ::close(channel[0]);
    ::close(channel[1]);

    EXPECT_GE(kills, 200);
    // Both outcomes show that the moments covered the write and its end.
    EXPECT_GT(olds, 0);
    EXPECT_GT(news, 0);
    RecordProperty("save_microseconds", static_cast<int>(whole.count()));
    RecordProperty("old_files", olds);
    RecordProperty("new_files", news);
    ExpectOnlyTemporaryLeftovers();
}

// ---- A full disk ----

// Files may not grow past the limit: a write that would passes fails (EFBIG), anywhere in the
// file from the head to the last zero block. Exactly the file's size is still enough.
class FileSizeLimitTest : public CrashSafetyTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(FileSizeLimitTest, ASaveThatCannotGrowFailsOnceAndKeepsTheOldFile)
{
    const std::size_t limit = GetParam();
    const bool fits = limit >= FileBytes;
    const std::string report = test::RunWithFileSizeLimit(limit, [&]() -> std::string {
        const bool saved = WriteDestinationFile(t.lib, target);
        const auto messages = t.platform.Messages();
        if (saved != fits)
            return saved ? "saved past the limit" : "failed within the limit";
        if (fits)
            return messages.empty() ? "ok" : "a message after a good save: " + messages[0].text;
        if (messages.size() != 1)
            return std::to_string(messages.size()) + " messages";
        if (messages[0].text != "Write error: " + target || messages[0].title != "Error")
            return "message " + messages[0].title + ": " + messages[0].text;
        return t.state.ListSaved == FlagFalse ? "ok" : "ListSaved was set";
    });
    EXPECT_EQ(report, "ok");
    EXPECT_EQ(Observe(), fits ? Outcome::New : Outcome::Old);
    EXPECT_TRUE(Leftovers().empty()) << "a failed save removes its temporary file";
}

INSTANTIATE_TEST_SUITE_P(Limits, FileSizeLimitTest,
                         ::testing::Values(0, 1, 3071, 3072, 3073, 3072 * 64 + 5, FileBytes - 1, FileBytes));

// Gives the calling process mounts of its own: directly with the right to mount, otherwise in a
// user namespace of its own where it may. Returns an empty text or why it could not.
std::string PrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return "no mount namespace for this user";
        auto put = [](const char* file, const std::string& text) {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            const bool ok =
                fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        if (!put("/proc/self/setgroups", "deny") ||
            !put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return "cannot map the user into its namespace";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return "cannot make the mounts private";
    return {};
}

unsigned long long FreeBytes(const std::string& folder)
{
    struct statvfs info {};
    return ::statvfs(folder.c_str(), &info) == 0
               ? static_cast<unsigned long long>(info.f_bavail) * info.f_frsize
               : 0;
}

// A real full disk: a file system of 512 KiB that holds the old .avc but not a second one beside
// it. Runs where the test may mount one (as root, or in a user namespace); skipped elsewhere.
TEST_F(CrashSafetyTest, AFileSystemTooSmallForTheNewFileFailsOnceKeepsTheOldAndFreesTheSpace)
{
    const std::string small = out.file("small");
    ASSERT_TRUE(fs::create_directory(small));
    const std::string onSmall = small + "/out.avc";
    const std::string report = test::RunWithFileSizeLimit(1u << 30, [&]() -> std::string {
        if (std::string why = PrivateMounts(); !why.empty())
            return "skip: " + why;
        if (::mount("skerrow-small", small.c_str(), "tmpfs", 0, "size=512k") != 0)
            return "skip: cannot mount a small file system";
        WriteBytes(onSmall, oldFile);
        const unsigned long long freeBefore = FreeBytes(small);
        if (freeBefore >= FileBytes)
            return "the file system has room for both files";

        if (WriteDestinationFile(t.lib, onSmall))
            return "saved onto a full file system";
        std::string result;
        const auto messages = t.platform.Messages();
        if (messages.size() != 1 || messages[0].text != "Write error: " + onSmall)
            result += "wrong messages (" + std::to_string(messages.size()) + "); ";
        if (ReadBytes(onSmall) != oldFile)
            result += "the old file changed; ";
        if (std::distance(fs::directory_iterator(small), fs::directory_iterator()) != 1)
            result += "something was left beside the old file; ";
        if (FreeBytes(small) != freeBefore)
            result += "the space of the partial file was not given back; ";
        return result.empty() ? "ok" : result;
    });
    if (report.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "ok");
}

}  // namespace
}  // namespace skerrow
