// find and dupes over folder trees with everything a real collection holds besides voice files.
#include "collection/voice_scan.h"
#include "diskimage/fat_image.h"
#include "run_tool.h"
#include "shell_tools.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/loop.h>
#include <nlohmann/json.hpp>
#include <sched.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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
        // A save that was killed leaves its temporary file, which holds a valid head.
        WriteVoices((lib / ".bank.1bk.skerrow-a1B2c3").string(), 16, {"Half"}, 12);
        fs::create_hard_link(lib / "bank.1bk", lib / "hard.1bk");
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
    EXPECT_EQ(run.err, "lib/.bank.1bk.skerrow-a1B2c3: temporary file of an interrupted save, passed over\n"
                       "lib/Sub/count2.1bk: Bad record count in VL file.\n"
                       "lib/Sub/notes.txt: Bad or truncated VL file.\n"
                       "lib/Sub/short.1vc: Bad or truncated VL file.\n"
                       "lib/dangling.1bk: symbolic link, not followed\n"
                       "lib/hard.1bk: same file as lib/bank.1bk, passed over\n"
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
    // Typed in a UTF-8 terminal, the name is matched as the Latin-1 bytes it is shown as.
    ToolOptions utf8;
    utf8.workDir = dir.path().string();
    utf8.locale = "C.UTF-8";
    EXPECT_EQ(RunTool({"find", "--name", "r\xc3\xa4", "lib"}, utf8).out, "lib/bank.1bk\t1\tBr\xe4ss     \n");
}

TEST_F(CliFindTest, MergesSeveralPathsAndFailsForAMissingOneAfterListingTheRest)
{
    const ToolRun run = Run({"find", "lib/bank.1bk", "missing", "lib", "lib/a"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, AllVoices);
    EXPECT_EQ(run.err, "missing not found. (No such file or directory)\n");

    // A link named as a path is followed: the user chose it.
    const ToolRun linked = Run({"find", "linked/a", "lib/a-b.1vc"});
    EXPECT_EQ(linked.exitCode, 0);
    EXPECT_EQ(linked.out, "lib/a-b.1vc\t1\tDash      \nlinked/a/x.1vc\t1\tAx        \n");
    // Only a walk passes over what looks like a save's temporary file, never what the user names.
    EXPECT_EQ(Run({"find", "lib/.bank.1bk.skerrow-a1B2c3"}).out,
              "lib/.bank.1bk.skerrow-a1B2c3\t1\tHalf      \n");
}

TEST_F(CliFindTest, EachFileComesOnceHoweverOftenItIsReached)
{
    struct Case {
        std::vector<std::string> paths;
        std::string found;
    };
    const std::string bank = "\t1\tBr\xe4ss     \n{0}\t2\tStrings   \n{0}\t3\tBig BRASS \n";
    const auto bankAt = [&](const std::string& path) {
        std::string text = path + bank;
        text.replace(text.find("{0}"), 3, path);
        text.replace(text.find("{0}"), 3, path);
        return text;
    };
    const std::vector<Case> cases{
        {{"lib/bank.1bk", "./lib/bank.1bk"}, bankAt("./lib/bank.1bk")},
        {{"lib/bank.1bk", "lib/hard.1bk"}, bankAt("lib/bank.1bk")},
        {{"lib/hard.1bk", (dir.path() / "lib" / "bank.1bk").string()},
         bankAt((dir.path() / "lib" / "bank.1bk").string())},
        {{"linked/a", "lib/a"}, "lib/a/x.1vc\t1\tAx        \n"},
        {{"lib/a-b.1vc", "lib/a-b.1vc", "lib/bank.1bk"},
         "lib/a-b.1vc\t1\tDash      \n" + bankAt("lib/bank.1bk")},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"find"};
        args.insert(args.end(), c.paths.begin(), c.paths.end());
        const ToolRun find = Run(args);
        EXPECT_EQ(find.exitCode, 0) << c.paths[0];
        EXPECT_EQ(find.out, c.found);
        // A file reached twice is no duplicate of itself.
        args[0] = "dupes";
        const ToolRun dupes = Run(args);
        EXPECT_EQ(dupes.exitCode, 0) << c.paths[0];
        EXPECT_EQ(dupes.out, "") << c.paths[0];
    }
}

TEST_F(CliFindTest, RecordsEndedByNulAndJsonLinesCarryEveryByteOfHostileNames)
{
    namespace fs = std::filesystem;
    const fs::path odd = dir.path() / "odd";
    fs::create_directory(odd);
    WriteVoices((odd / "two\n\nlines.1vc").string(), 1, {"New\nline"}, 20);
    WriteVoices((odd / "tab\there.1bk").string(), 16, {"Esc\x1b[2J", "Tab\tX", "\x7f\x80\xff"}, 21);
    WriteVoices((odd / "latin\xe9.1vc").string(), 1, {"Caf\xe9"}, 22);

    const ToolRun nul = Run({"find", "-0", "odd"});
    EXPECT_EQ(nul.exitCode, 0);
    const std::string records[] = {
        "odd/latin\xe9.1vc\t1\tCaf\xe9      ",  "odd/tab\there.1bk\t1\tEsc\x1b[2J   ",
        "odd/tab\there.1bk\t2\tTab\tX     ",    "odd/tab\there.1bk\t3\t\x7f\x80\xff       ",
        "odd/two\n\nlines.1vc\t1\tNew\nline  ",
    };
    std::string expected;
    for (const std::string& record : records)
        expected += record + '\0';
    EXPECT_EQ(nul.out, expected);
    EXPECT_EQ(Run({"find", "--null", "odd"}).out, expected);

    // Every JSON line parses, and gives back the exact path and name bytes.
    const ToolRun json = Run({"find", "--json", "odd"});
    EXPECT_EQ(json.exitCode, 0);
    std::istringstream lines(json.out);
    std::string line;
    std::size_t count = 0;
    while (std::getline(lines, line)) {
        const auto record = nlohmann::json::parse(line);
        std::string path;
        if (record.contains("path_bytes")) {
            for (const int byte : record["path_bytes"])
                path += static_cast<char>(byte);
        } else {
            path = record["path"].get<std::string>();
        }
        // Names are Latin-1: every character is one byte below 0x100.
        std::string name;
        const std::string utf8 = record["name"].get<std::string>();
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            name +=
                c < 0x80
                    ? static_cast<char>(c)
                    : static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        }
        ASSERT_LT(count, std::size(records));
        EXPECT_EQ(path + '\t' + std::to_string(record["slot"].get<int>()) + '\t' + name, records[count]);
        ++count;
    }
    EXPECT_EQ(count, std::size(records));
    EXPECT_NE(json.out.find("\"path\":\"odd/latin\xef\xbf\xbd.1vc\",\"path_bytes\":["), std::string::npos);
}

TEST_F(CliFindTest, OnATerminalControlBytesAreEscapedAndNameBytesShownAsLatin1)
{
    namespace fs = std::filesystem;
    fs::create_directory(dir.path() / "t");
    // U+0085 is a C1 command; F4 90 would be past U+10FFFF.
    WriteVoices(
        (dir.path() / "t" / "a\tb\xc3\xa9\xc2\x85\xc2\xa0\xf4\x8f\xbf\xbf\xf4\x90\x80\x80\xff.1vc").string(),
        1, {"E\x1b[2J\\\xe9\x85"}, 23);
    struct Case {
        std::string locale;
        std::string shown;
    };
    const std::vector<Case> cases{
        {"C", "t/a\\tb\\xc3\\xa9\\xc2\\x85\\xc2\\xa0\\xf4\\x8f\\xbf\\xbf\\xf4\\x90\\x80\\x80\\xff.1vc"
              "\t1\tE\\x1b[2J\\\\\\xe9\\x85  \n"},
        {"C.UTF-8", "t/a\\tb\xc3\xa9\\xc2\\x85\xc2\xa0\xf4\x8f\xbf\xbf\\xf4\\x90\\x80\\x80\\xff.1vc"
                    "\t1\tE\\x1b[2J\\\\\xc3\xa9\\x85  \n"},
    };
    for (const Case& c : cases) {
        ToolOptions options;
        options.workDir = dir.path().string();
        options.outTerminal = true;
        options.locale = c.locale;
        const ToolRun run = RunTool({"find", "t"}, options);
        EXPECT_EQ(run.exitCode, 0) << c.locale;
        EXPECT_EQ(run.out, c.shown) << c.locale;
    }

    // Results and notes on one terminal come in walk order, each line as it is found.
    ToolOptions both;
    both.workDir = dir.path().string();
    both.outTerminal = true;
    both.errTerminal = true;
    const std::string shown = RunTool({"find", "--verbose", "lib/Sub"}, both).out;
    EXPECT_LT(shown.find("count2.1bk: Bad"), shown.find("deep/all.avc\t1")) << shown;
    EXPECT_LT(shown.find("deep/all.avc\t2"), shown.find("notes.txt: Bad")) << shown;
}

TEST(CliTreeTest, UnreadableEntriesAreToldWithTheSystemsReasonAndFailTheRunAfterTheRest)
{
    namespace fs = std::filesystem;
    const TempDir dir;
    const fs::path u = dir.path() / "u";
    fs::create_directories(u / "closed");
    fs::create_directories(u / "listed");
    WriteVoices((u / "ok.1vc").string(), 1, {"Ok"}, 30);
    WriteVoices((u / "listed" / "inner.1vc").string(), 1, {"Inner"}, 30);
    WriteVoices((u / "secret.1vc").string(), 1, {"Secret"}, 30);
    WriteVoices((u / "closed" / "inner.1vc").string(), 1, {"Inner"}, 30);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(u, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(u / "ok.1vc", fs::perms::owner_all | fs::perms::others_read);
    fs::permissions(u / "secret.1vc", fs::perms::none);
    fs::permissions(u / "closed", fs::perms::none);
    fs::permissions(u / "listed", fs::perms::owner_all | fs::perms::others_read);

    ToolOptions options;
    options.workDir = dir.path().string();
    options.unprivileged = ::getuid() == 0;  // as root, modes would not count
    const std::string told = "u/closed: folder cannot be read (Permission denied)\n"
                             "u/listed: folder can be listed but not entered (Permission denied)\n"
                             "u/secret.1vc: cannot be opened (Permission denied)\n";
    const ToolRun find = RunTool({"find", "u"}, options);
    if (find.exitCode == CannotDropRights)
        GTEST_SKIP() << "cannot run the tool as uid 65534 here";
    EXPECT_EQ(find.exitCode, 1);
    EXPECT_EQ(find.out, "u/ok.1vc\t1\tOk        \n");
    EXPECT_EQ(find.err, told);
    EXPECT_EQ(RunTool({"find", "u/secret.1vc"}, options).exitCode, 1);

    const ToolRun dupes = RunTool({"dupes", "u"}, options);
    EXPECT_EQ(dupes.exitCode, 1);
    EXPECT_EQ(dupes.out, "");
    EXPECT_EQ(dupes.err, told);
    fs::permissions(u / "closed", fs::perms::owner_all);
}

// Mounts the ext2 image at image on folder through a free loop device that goes when unmounted.
bool MountExt2(const std::string& image, const std::string& folder)
{
    const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control < 0)
        return false;
    for (int attempt = 0; attempt < 5; ++attempt) {  // another test may take the same device first
        const int number = ::ioctl(control, LOOP_CTL_GET_FREE);
        const std::string device = "/dev/loop" + std::to_string(number);
        const int loop = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
        const int file = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
        bool mounted = false;
        if (number >= 0 && loop >= 0 && file >= 0 && ::ioctl(loop, LOOP_SET_FD, file) == 0) {
            loop_info64 info{};
            info.lo_flags = LO_FLAGS_AUTOCLEAR;
            mounted = ::ioctl(loop, LOOP_SET_STATUS64, &info) == 0 &&
                      ::mount(device.c_str(), folder.c_str(), "ext2", 0, nullptr) == 0;
            if (!mounted)
                ::ioctl(loop, LOOP_CLR_FD, 0);
        }
        ::close(file);
        ::close(loop);
        if (mounted) {
            ::close(control);
            return true;
        }
    }
    ::close(control);
    return false;
}

TEST(CliTreeTest, OnAFileSystemWithoutEntryTypesAFolderListableButNotEnterableSaysSo)
{
    namespace fs = std::filesystem;
    const TempDir dir;
    const std::string image = dir.file("e2.img");
    WriteBytes(image, std::string(2 << 20, '\0'));
    // Without "filetype" every entry's type takes a stat of its own, which fails in such a folder.
    if (std::system(("mkfs.ext2 -q -F -O ^filetype " + image + " >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "mkfs.ext2 is not installed";
    fs::create_directory(dir.path() / "m");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
    const std::string mount = (dir.path() / "m").string();
    const std::string bytes = VoiceFileWithBlocks(1, {"Voice"}, {BlockFor(33, 1)});
    ToolOptions options;
    options.workDir = dir.path().string();
    options.unprivileged = true;
    options.prepare = [&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 || !MountExt2(image, mount) ||
            ::rmdir((mount + "/lost+found").c_str()) != 0 || ::mkdir((mount + "/many").c_str(), 0744) != 0 ||
            ::mkdir((mount + "/open").c_str(), 0755) != 0)
            return false;
        for (const char* name : {"/many/a.1vc", "/many/b.1vc", "/open/v.1vc"}) {
            const int file = ::open((mount + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            const bool written =
                ::write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
            if (::close(file) != 0 || !written)
                return false;
        }
        return true;
    };
    const ToolRun run = RunTool({"find", "m"}, options);
    if (run.exitCode == CannotPrepare || run.exitCode == CannotDropRights)
        GTEST_SKIP() << "cannot mount an ext2 image for uid 65534 here";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "m/open/v.1vc\t1\tVoice     \n");
    EXPECT_EQ(run.err, "m/many: folder can be listed but not entered (Permission denied)\n");
}

TEST(CliTreeTest, AFolderMountedInsideItselfIsWalkedOnce)
{
    namespace fs = std::filesystem;
    const TempDir dir;
    fs::create_directories(dir.path() / "t" / "sub" / "again");
    WriteVoices((dir.path() / "t" / "v.1vc").string(), 1, {"Once"}, 31);
    const std::string folder = (dir.path() / "t").string();
    const std::string inside = (dir.path() / "t" / "sub" / "again").string();
    ToolOptions options;
    options.workDir = dir.path().string();
    // In a mount namespace of its own, so that the loop is the tool's alone.
    options.prepare = [&] {
        return ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount(folder.c_str(), inside.c_str(), nullptr, MS_BIND, nullptr) == 0;
    };
    const ToolRun run = RunTool({"find", "t"}, options);
    if (run.exitCode == CannotPrepare)
        GTEST_SKIP() << "cannot bind-mount a folder inside itself here (no mount namespace)";
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "t/v.1vc\t1\tOnce      \n");
    EXPECT_EQ(run.err, "t/sub/again: folder already being walked, not entered again\n");
}

TEST(CliTreeTest, DescriptorsStayFewWhateverTheNumberOfPathsFoldersAndFiles)
{
    const TempDir dir;
    std::filesystem::create_directory(dir.path() / "many");
    std::string all;
    std::vector<std::string> paths;
    for (int i = 1000; i < 2500; ++i) {
        const std::string folder = "many/d" + std::to_string(i);
        std::filesystem::create_directory(dir.path() / folder);
        WriteBytes(dir.path() / folder / "v.1vc", VoiceFileWithBlocks(1, {"Same"}, {BlockFor(50, 1)}));
        all += folder + "/v.1vc\t1\tSame      \n";
        paths.push_back(folder);
    }
    ToolOptions options;
    options.workDir = dir.path().string();
    options.fileLimit = 64;  // a descriptor held per folder or per PATH runs out long before the end
    for (const std::string command : {"find", "dupes"}) {
        std::vector<std::string> each{command};
        each.insert(each.end(), paths.begin(), paths.end());
        for (const auto& args : {std::vector<std::string>{command, "many"}, each}) {
            const ToolRun run = RunTool(args, options);
            EXPECT_EQ(run.exitCode, 0) << command << " " << args.size();
            EXPECT_EQ(run.err.substr(0, 200), "") << command << " " << args.size();
            EXPECT_TRUE(run.out == all)
                << command << " " << args.size() << ": " << run.out.size() << " bytes";
        }
    }
}

TEST(CliTreeTest, AHeadThatCannotBeReadIsToldWithTheSystemsReason)
{
    // A regular file whose every read fails.
    for (const char* command : {"find", "dupes"}) {
        const ToolRun run = RunTool({command, "/proc/self/mem"});
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_EQ(run.out, "") << command;
        EXPECT_EQ(run.err, "/proc/self/mem: read error (Input/output error)\n") << command;
    }
}

// Removes what fd's folder holds, however deep, through descriptors.
void RemoveContents(int fd)
{
    DIR* dir = ::fdopendir(::dup(fd));
    ASSERT_NE(dir, nullptr);
    std::vector<std::pair<std::string, bool>> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.emplace_back(name, entry->d_type == DT_DIR);
    }
    ::closedir(dir);
    for (const auto& [name, folder] : entries) {
        if (folder) {
            const int inner = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
            ASSERT_GE(inner, 0);
            RemoveContents(inner);
            ::close(inner);
        }
        ::unlinkat(fd, name.c_str(), folder ? AT_REMOVEDIR : 0);
    }
}

TEST(CliTreeTest, DepthIsNoLimitForFindingOrComparing)
{
    const TempDir dir;
    const std::string folder = "ff";
    const std::string bytes = VoiceFileWithBlocks(1, {"Deep"}, {BlockFor(40, 1)});
    int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const int top = fd;
    std::string path = "t";
    ASSERT_EQ(::mkdirat(fd, "t", 0700), 0);
    fd = ::openat(top, "t", O_RDONLY | O_DIRECTORY);
    std::string found;
    for (int level = 1; level <= 3000; ++level) {  // about 9,000 bytes of path, past PATH_MAX
        ASSERT_EQ(::mkdirat(fd, folder.c_str(), 0700), 0);
        const int inner = ::openat(fd, folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = inner;
        path += "/" + folder;
        if (level % 1000 == 0) {
            const int file = ::openat(fd, "v.1vc", O_WRONLY | O_CREAT, 0600);
            ASSERT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
            ::close(file);
            found = path + "/v.1vc\t1\tDeep      \n" + found;  // "f..." sorts before "v.1vc"
        }
    }
    ::close(fd);

    ToolOptions options;
    options.workDir = dir.path().string();
    options.fileLimit = 64;  // a descriptor held per level runs out long before the bottom
    const ToolRun find = RunTool({"find", "t"}, options);
    EXPECT_EQ(find.exitCode, 0);
    EXPECT_EQ(find.err, "");
    EXPECT_TRUE(find.out == found) << find.out.size() << " bytes found, not " << found.size();
    // PATHs each inside the one before are walked side by side, and hold no folder while paused.
    std::vector<std::string> nested{"find"};
    std::string root = "t";
    for (int level = 1; level <= 2930; ++level)
        root += "/" + folder;
    for (; nested.size() <= 70; root += "/" + folder)
        nested.push_back(root);
    const ToolRun merged = RunTool(nested, options);
    EXPECT_EQ(merged.err, "");
    EXPECT_TRUE(merged.out == found.substr(0, found.find('\n') + 1)) << merged.out.size() << " bytes";
    // The copies are read again, through their long paths, to be compared.
    const ToolRun dupes = RunTool({"dupes", "t"}, options);
    EXPECT_EQ(dupes.exitCode, 0);
    EXPECT_EQ(dupes.err, "");
    EXPECT_TRUE(dupes.out == found) << dupes.out.size() << " bytes found, not " << found.size();

    RemoveContents(top);
    ::close(top);
}

TEST(CliDupesTest, AVoiceThatChangesBetweenReadingAndComparingIsToldAndLeftOut)
{
    namespace fs = std::filesystem;
    const TempDir dir;
    fs::create_directory(dir.path() / "c");
    WriteBytes(dir.path() / "c" / "a.1bk",
               VoiceFileWithBlocks(16, {"First", "Second"}, {BlockFor(60, 1), BlockFor(60, 2)}));
    WriteBytes(dir.path() / "c" / "b.1bk",
               VoiceFileWithBlocks(16, {"Twin", "Twin2"}, {BlockFor(60, 1), BlockFor(60, 2)}));
    // Notes on these fill standard error after every file has been read once, so the tool
    // stalls before it compares.
    for (int i = 100; i < 300; ++i) {
        std::string name = "n";  // appended, not added: GCC 12's -Wrestrict false alarm
        name += std::to_string(i);
        WriteBytes(dir.path() / "c" / (name + ".txt"), "text");
    }
    ToolOptions options;
    options.workDir = dir.path().string();
    options.whileErrStalls = [&] { fs::resize_file(dir.path() / "c" / "b.1bk", 3072); };
    const ToolRun run = RunTool({"dupes", "--verbose", "c"}, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    // Once for the file, not once for each of its voices.
    EXPECT_NE(run.err.find("\nc/b.1bk: changed while being read, skipped slots 1, 2\n"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("changed"), run.err.rfind("changed")) << run.err;
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
    // Cut short at a block's end, it looks like a voice file; noise that only has a voice file's
    // count byte is told only with --verbose.
    WriteBytes(d / "cut.1bk", VoiceFileWithBlocks(16, {"C1", "C2", "C3"}, {BlockFor(30, 5)}));
    WriteBytes(d / "noise.bin", VoiceFileWithBlocks(16, {"N1", "N2"}, {}) + "noise");
    // A head with no block after it lacks its blocks; an empty file is no voice file at all.
    WriteBytes(d / "head.1bk", VoiceFileWithBlocks(16, {"H1"}, {}));
    WriteBytes(d / "empty.1bk", "");
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
    EXPECT_EQ(run.err, "nothing-here not found. (No such file or directory)\n"
                       "d/cut.1bk: no voice block for slots 2-3, skipped\n"
                       "d/head.1bk: no voice block for slot 1 (H1        ), skipped\n"
                       "d/short.1bk: no voice block for slot 2 (Gone      ), skipped\n");
    const ToolRun verbose = RunTool({"dupes", "--verbose", "d"}, dir.path().string());
    EXPECT_EQ(verbose.out, run.out);
    EXPECT_NE(verbose.err.find("\nd/noise.bin: no voice block for slots 1-2, skipped\n"), std::string::npos)
        << verbose.err;

    std::string records = run.out;
    std::replace(records.begin(), records.end(), '\n', '\0');
    EXPECT_EQ(RunTool({"dupes", "-0", "d"}, dir.path().string()).out, records);
    const ToolRun json = RunTool({"dupes", "--json", "d"}, dir.path().string());
    EXPECT_EQ(json.out.substr(0, json.out.find('\n')),
              R"({"voices":[{"name":"Piano     ","path":"d/one.1bk","slot":1},)"
              R"({"name":"Piano2    ","path":"d/one.1bk","slot":3},)"
              R"({"name":"Other     ","path":"d/sub/two.avc","slot":1}]})");
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 3);

    const ToolRun none = RunTool({"dupes", "d/sub", "d/unique.1vc"}, dir.path().string());
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "");
}

// A disk image is a folder to every command: its voice files are listed, described, copied from
// and saved into, found and compared, each reached once however often the image is named.
TEST(CliDiskImageTest, ImagesAreFoldersToListInfoBuildFindAndDupes)
{
    const TempDir dir;
    const std::string image = dir.file("DISK01.img");
    ASSERT_TRUE(MformatImage(image));
    ASSERT_EQ(Shell("mmd -i " + Quote(image) + " ::BANKS"), 0);
    const std::string x = BlockFor(40, 1);
    const std::string y = BlockFor(40, 2);
    ASSERT_TRUE(McopyIn(image, "BRASS.1BK", VoiceFileWithBlocks(16, {"Horn", "Tuba"}, {x, y})));
    ASSERT_TRUE(McopyIn(image, "BANKS/Pads.1vc", VoiceFileWithBlocks(1, {"Pad"}, {y})));
    WriteBytes(dir.file("solo.1vc"), VoiceFileWithBlocks(1, {"Solo"}, {x}));
    const std::string cwd = dir.path().string();

    EXPECT_EQ(RunTool({"list", "DISK01.img/brass.1bk"}, cwd).out, "1\tHorn      \n2\tTuba      \n");
    const ToolRun info = RunTool({"info", "DISK01.img/BANKS/Pads.1vc"}, cwd);
    EXPECT_EQ(info.out,
              "Format: single voice (.1vc)\nSlots: 1\nVoices: 1\nSize: 6144 bytes\nBlocks: complete\n");
    const ToolRun whole = RunTool({"list", "DISK01.img"}, cwd);
    EXPECT_EQ(whole.exitCode, 1);
    EXPECT_EQ(whole.err, "DISK01.img is a disk image: name a voice file on it, as in DISK01.img/NAME.1BK\n");

    const ToolRun build =
        RunTool({"build", "DISK01.img/BANKS/new", "solo.1vc", "DISK01.img/BRASS.1BK:2"}, cwd);
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out, "Wrote DISK01.img/BANKS/NEW.1BK: bank (.1bk), 2 voices\n");
    ASSERT_EQ(RunTool({"build", "file.1bk", "solo.1vc", "DISK01.img/BRASS.1BK:2"}, cwd).exitCode, 0);
    EXPECT_EQ(McopyOut(image, "BANKS/NEW.1BK"), ReadBytes(dir.file("file.1bk")));
    std::string report;
    EXPECT_EQ(Shell("fsck.fat -n " + Quote(image), &report), 0) << report;

    const ToolRun find = RunTool({"find", "--name", "u", "DISK01.img", "DISK01.img"}, cwd);
    EXPECT_EQ(find.out, "DISK01.img/BANKS/NEW.1BK\t2\tTuba      \n"
                        "DISK01.img/BRASS.1BK\t2\tTuba      \n");
    EXPECT_EQ(find.err, "");
    const ToolRun dupes = RunTool({"dupes", "."}, cwd);
    EXPECT_EQ(dupes.out, "./DISK01.img/BANKS/NEW.1BK\t1\tSolo      \n"
                         "./DISK01.img/BRASS.1BK\t1\tHorn      \n"
                         "./file.1bk\t1\tSolo      \n"
                         "./solo.1vc\t1\tSolo      \n"
                         "\n"
                         "./DISK01.img/BANKS/NEW.1BK\t2\tTuba      \n"
                         "./DISK01.img/BANKS/Pads.1vc\t1\tPad       \n"
                         "./DISK01.img/BRASS.1BK\t2\tTuba      \n"
                         "./file.1bk\t2\tTuba      \n");

    // "." and a last "/" inside an image mean what they mean in any path; "Wrote" names the file
    // as the disk holds it.
    EXPECT_EQ(RunTool({"build", "./DISK01.img/./BANKS/../x.1vc", "solo.1vc"}, cwd).out,
              "Wrote ./DISK01.img/X.1VC: single voice (.1vc), 1 voice\n");
    EXPECT_EQ(RunTool({"list", "DISK01.img/"}, cwd).err, "DISK01.img/ not found. (Is a directory)\n");

    // A boot sector that puts a third FAT over the root folder: every command says so, none writes.
    std::string bytes = ReadBytes(image);
    bytes[16] = 3;
    WriteBytes(dir.file("bad.img"), bytes);
    const std::string damage = ": Damaged disk image: the boot sector gives 3 FATs; only 1 or 2 can be.\n";
    EXPECT_EQ(RunTool({"list", "bad.img/BRASS.1BK"}, cwd).err, "bad.img/BRASS.1BK" + damage);
    const ToolRun findBad = RunTool({"find", "bad.img"}, cwd);
    EXPECT_NE(findBad.exitCode, 0);
    EXPECT_NE(findBad.err.find("Damaged disk image: the boot sector gives 3 FATs"), std::string::npos)
        << findBad.err;
    const ToolRun refused = RunTool({"build", "bad.img/NEW.1VC", "solo.1vc"}, cwd);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "bad.img" + damage);
    EXPECT_EQ(ReadBytes(dir.file("bad.img")), bytes);
}

// The Find voices window scans with the code find runs: the same voices in the same order, and
// the same files told as unreadable, over a tree with disk images, a damaged one among them.
TEST(CliFindWindowTest, TheWindowsScanFindsWhatFindFinds)
{
    const TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "lib" / "sub");
    WriteVoices(dir.file("lib/bank.1bk"), 16, {"Br\xe4ss", "Strings"}, 1);
    WriteVoices(dir.file("lib/sub/all.avc"), 128, {"Pad", "Horn"}, 2);
    WriteBytes(dir.path() / "lib" / "notes.txt", "no voices\n");
    auto image = diskimage::FatImage::Open(diskimage::FormatFatImage(diskimage::FloppySize::Kb1440, 7)).image;
    ASSERT_TRUE(image);
    const std::string blank = *image->Write("", "EMPTY.TXT", "", {}).bytes;
    const auto withBank = image->Write("", "BANK.1BK", ReadBytes(dir.file("lib/bank.1bk")), {});
    ASSERT_TRUE(withBank.bytes) << withBank.error;
    WriteBytes(dir.path() / "lib" / "DISK.img", *withBank.bytes);
    WriteBytes(dir.path() / "lib" / "sub" / "BROKEN.img", blank.substr(0, 100 * 1024));
    // A regular file whose every read fails, named as a second root.
    const std::vector<std::string> roots = {dir.file("lib"), "/proc/self/mem"};

    std::string listed;
    std::string unreadable;
    MultiWalk walk(roots);
    ScanForVoices(walk, {[&](const std::string& path, const ScannedFile& file) {
                             for (std::size_t k = 0; k < file.names.size(); ++k)
                                 listed += path + "\t" + std::to_string(k + 1) + "\t" + file.names[k] + "\n";
                         },
                         [&](const SkippedItem& skipped) {
                             if (IsReadFailure(skipped.kind))
                                 unreadable += skipped.path + ": " + ReadFailureText(skipped) + "\n";
                         },
                         {}});
    const ToolRun find = RunTool({"find", roots[0], roots[1]});
    EXPECT_EQ(find.exitCode, 1);
    EXPECT_EQ(listed, find.out);
    EXPECT_EQ(unreadable, find.err);
    // What both must have found, so that agreeing on nothing cannot pass.
    EXPECT_NE(listed.find("DISK.img/BANK.1BK\t2\tStrings"), std::string::npos) << listed;
    EXPECT_NE(unreadable.find("BROKEN.img: "), std::string::npos) << unreadable;
    EXPECT_NE(unreadable.find("/proc/self/mem: read error"), std::string::npos) << unreadable;
}

}  // namespace
}  // namespace skerrow::test
