// The operating system's body as the rest of the program sees it, on every system it builds for:
// the same calls must give the same files and the same refusals on Linux and on Windows.

#include "os/os.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace skerrow::os {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path FromUtf8(const std::string& text)
{
    fs::path path(std::u8string(text.begin(), text.end()));
#ifdef _WIN32
    // The C++ library knows nothing of the old length limit's way out: give it the long form.
    if (text.size() > 200 && !text.starts_with("\\\\?\\"))
        path = std::wstring(L"\\\\?\\") + fs::absolute(path).make_preferred().wstring();
#endif
    return path;
}

class OsTest : public ::testing::Test {
protected:
    OsTest()
        : m_folder(fs::temp_directory_path() /
                   (std::string("skerrow-os-") + std::to_string(std::random_device{}())))
    {
        fs::create_directory(m_folder);
    }
    ~OsTest() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // name inside the test's folder, spelled the system's way.
    std::string At(const std::string& name) const
    {
        return Utf8(m_folder / fs::path(std::u8string(name.begin(), name.end())));
    }
    std::string Folder() const { return Utf8(m_folder); }

    static void Put(const std::string& path, const std::string& bytes)
    {
        std::ofstream(FromUtf8(path), std::ios::binary) << bytes;
    }

    // The file's bytes as our own reader sees them.
    static std::string Get(const std::string& path)
    {
        const OpenResult opened = OpenForReading(path);
        if (opened.failure != OpenFailure::None)
            return std::string("<") + ErrorText(opened.error) + ">";
        std::string bytes(opened.file.Size(), '\0');
        bytes.resize(static_cast<std::size_t>(opened.file.ReadAt(0, bytes.data(), bytes.size())));
        return bytes;
    }

    static std::vector<std::string> Entries(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FromUtf8(folder)))
            names.push_back(Utf8(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }

    static int Replace(const std::string& path, const std::string& bytes, const ReplaceHooks& hooks = {})
    {
        const auto file = ReplaceFile(path, hooks);
        return file->Create() && file->Write(bytes) && file->Commit() ? 0 : file->Error();
    }

private:
    fs::path m_folder;
};

TEST_F(OsTest, ReplacesUnderEverySpellingOfThePathAndLeavesOnlyTheFile)
{
    const std::string longFolder = std::string(150, 'f') + "/" + std::string(150, 'g');
    fs::create_directories(FromUtf8(At(longFolder)));
    const fs::path before = fs::current_path();
    fs::current_path(FromUtf8(Folder()));
    std::vector<std::pair<std::string, std::string>> spellings{
        {"relative.1vc", "relative.1vc"},
        {At("plain.1vc"), "plain.1vc"},
        {At("Bläser ☃.1vc"), "Bläser ☃.1vc"},
        {At(longFolder + "/long.1vc"), "long.1vc"},
    };
#ifdef _WIN32
    std::string forward = Folder();
    std::replace(forward.begin(), forward.end(), '\\', '/');
    spellings.emplace_back(forward + "/forward.1vc", "forward.1vc");
    spellings.emplace_back(std::string("\\\\?\\") + Folder() + "\\prefixed.1vc", "prefixed.1vc");
#endif
    for (const auto& [path, name] : spellings) {
        SCOPED_TRACE(path);
        ASSERT_EQ(Replace(path, "first"), 0);
        EXPECT_EQ(Get(path), "first");

        const auto second = ReplaceFile(path);
        ASSERT_TRUE(second->Create());
        EXPECT_EQ(second->Replaced(), IdentityOf(path));
        ASSERT_TRUE(second->Write("second") && second->Commit());
        EXPECT_EQ(Get(path), "second");
        const std::string folder = path == name ? "." : path.substr(0, path.size() - name.size());
        if (folder.size() > 200)
            continue;  // past what the C++ library here can list
        const auto entries = Entries(folder);
        EXPECT_TRUE(std::find(entries.begin(), entries.end(), name) != entries.end());
        EXPECT_EQ(
            std::count_if(entries.begin(), entries.end(), [](const std::string& e) { return e[0] == '.'; }),
            0);
    }
    fs::current_path(before);
}

TEST_F(OsTest, AFailedReplacementLeavesTheOldFileAndNothingElse)
{
    struct Fault {
        const char* what;
        std::function<void(ReplaceHooks&)> plant;
        int error;
    };
    const Fault faults[] = {
        {"write", [](ReplaceHooks& h) { h.write = [](std::size_t) -> std::int64_t { return -ENOSPC; }; },
         ENOSPC},
        {"short writes then none",
         [](ReplaceHooks& h) { h.write = [n = 0](std::size_t) mutable -> std::int64_t { return n++ < 2; }; },
         ENOSPC},
        {"permissions", [](ReplaceHooks& h) { h.setPermissions = [] { return EIO; }; }, EIO},
        {"flush", [](ReplaceHooks& h) { h.flush = [] { return EIO; }; }, EIO},
    };
    const std::string path = At("kept.1vc");
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        Put(path, "old bytes");
        ReplaceHooks hooks;
        fault.plant(hooks);
        EXPECT_EQ(Replace(path, "new bytes", hooks), fault.error);
        EXPECT_EQ(Get(path), "old bytes");
        EXPECT_EQ(Entries(Folder()), std::vector<std::string>{"kept.1vc"});
    }
}

TEST_F(OsTest, ATakenTemporaryNameIsPassedOverAndKept)
{
    const std::string path = At("bank.1bk");
    Put(At(".bank.1bk.skerrow-AAAAAA"), "someone else's");
    ReplaceHooks hooks;
    hooks.temporarySuffix = [n = 0]() mutable { return std::string(6, n++ == 0 ? 'A' : 'B'); };
    const auto file = ReplaceFile(path, hooks);
    ASSERT_TRUE(file->Create());
    EXPECT_EQ(Entries(Folder()),
              (std::vector<std::string>{".bank.1bk.skerrow-AAAAAA", ".bank.1bk.skerrow-BBBBBB"}));
    ASSERT_TRUE(file->Write("voices") && file->Commit());
    EXPECT_EQ(Get(path), "voices");
    EXPECT_EQ(Get(At(".bank.1bk.skerrow-AAAAAA")), "someone else's");
}

// A file that must be new is refused over one that is there, and is not put in place over one
// that appeared while it was written.
TEST_F(OsTest, ANewOnlyFileNeverTakesThePlaceOfAnother)
{
    const std::string path = At("new.img");
    {
        ReplaceHooks hooks;
        hooks.flush = [&] {
            Put(path, "appeared");
            return 0;
        };
        const auto file = ReplaceFile(path, hooks, ReplaceMode::NewOnly);
        ASSERT_TRUE(file->Create());
        ASSERT_TRUE(file->Write("image"));
        EXPECT_FALSE(file->Commit());
        EXPECT_EQ(file->Error(), EEXIST);
    }
    EXPECT_EQ(Get(path), "appeared");
    EXPECT_EQ(Entries(Folder()), std::vector<std::string>{"new.img"});
    const auto again = ReplaceFile(path, {}, ReplaceMode::NewOnly);
    EXPECT_FALSE(again->Create());
    EXPECT_EQ(again->Error(), EEXIST);
}

#ifdef __linux__
// /proc/self/fd/N and /dev/fd/N stand for an open file, not a name: their text ("f.1bk (deleted)")
// taken as a path would make a new file of that name.
TEST_F(OsTest, ALinkToAnOpenDescriptorIsNoPlaceToSave)
{
    Put(At("f.1bk"), "open");
    const int fd = ::open(At("f.1bk").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    fs::remove(FromUtf8(At("f.1bk")));
    for (const std::string via : {"/proc/self/fd/", "/dev/fd/"}) {
        SCOPED_TRACE(via);
        fs::create_symlink(via + std::to_string(fd), FromUtf8(At("link.1bk")));
        const auto file = ReplaceFile(At("link.1bk"));
        EXPECT_FALSE(file->Create());
        EXPECT_TRUE(file->NotPlain());
        fs::remove(FromUtf8(At("link.1bk")));
    }
    ::close(fd);
    EXPECT_TRUE(Entries(Folder()).empty());
}

// A file capability grants privileges to the program it was given to; new content, even none, does
// not inherit it (the kernel drops it only where something is written).
TEST_F(OsTest, AFileCapabilityStaysWithTheOldContent)
{
    const std::string path = At("tool");
    Put(path, "old");
    // Revision 2, effective, CAP_NET_RAW permitted.
    const unsigned char capability[20] = {0x01, 0x00, 0x00, 0x02, 0x00, 0x20};
    if (::setxattr(path.c_str(), "security.capability", capability, sizeof capability, 0) != 0)
        GTEST_SKIP() << "no right to give a file a capability here";
    ASSERT_EQ(::setxattr(path.c_str(), "user.note", "kept", 4, 0), 0);
    EXPECT_EQ(Replace(path, ""), 0);
    EXPECT_LT(::getxattr(path.c_str(), "security.capability", nullptr, 0), 0);
    EXPECT_EQ(::getxattr(path.c_str(), "user.note", nullptr, 0), 4);
}
#endif

TEST_F(OsTest, ReplacingRefusesWhatIsNoWritablePlainFile)
{
    fs::create_directory(FromUtf8(At("folder.1vc")));
    Put(At("locked.1vc"), "locked");
    fs::permissions(FromUtf8(At("locked.1vc")), fs::perms::owner_read);
    const std::pair<std::string, int> refusals[] = {
        {At("folder.1vc"), EISDIR},
        {At("folder.1vc") + "/", EISDIR},
        {At("locked.1vc"), EACCES},
        {At("no folder/new.1vc"), ENOENT},
        {At(std::string(256, 'n')), ENAMETOOLONG},
#ifdef _WIN32
        // A device's name in a folder that is not there, and a character no folder holds.
        {At("no folder/con.1vc"), InvalidNameError},
        {At("a?b.1vc"), InvalidNameError},
#endif
    };
    for (const auto& [path, error] : refusals) {
        SCOPED_TRACE(path);
        const auto file = ReplaceFile(path);
        EXPECT_FALSE(file->Create());
        EXPECT_EQ(file->Error(), error);
    }
    EXPECT_EQ(Get(At("locked.1vc")), "locked");
    fs::permissions(FromUtf8(At("locked.1vc")), fs::perms::owner_all);
}

#ifdef _WIN32
// Another program's open file (the C library opens without leave to delete) is in use, not
// forbidden: the reason says so, and the file stays as it was.
TEST_F(OsTest, AFileHeldByAnotherProgramIsInUse)
{
    const std::string path = At("held.1vc");
    Put(path, "held");
    std::ifstream held(FromUtf8(path), std::ios::binary);
    ASSERT_TRUE(held);
    const auto file = ReplaceFile(path);
    const bool replaced = file->Create() && file->Write("new") && file->Commit();
    EXPECT_FALSE(replaced);
    EXPECT_EQ(file->Error(), EBUSY);
    EXPECT_EQ(ErrorText(EBUSY), "The file is in use by another program");
    held.close();
    EXPECT_EQ(Get(path), "held");
}
#endif

TEST_F(OsTest, ReadsPlainFilesOnlyAndKnowsThemAgain)
{
    const std::string path = At("ten.1vc");
    Put(path, "0123456789");
    const OpenResult opened = OpenForReading(path);
    ASSERT_EQ(opened.failure, OpenFailure::None);
    std::string bytes(4, '\0');
    EXPECT_EQ(opened.file.ReadAt(3, bytes.data(), 4), 4);
    EXPECT_EQ(bytes, "3456");
    EXPECT_EQ(opened.file.ReadAt(8, bytes.data(), 4), 2);
    EXPECT_EQ(opened.file.ReadAt(12, bytes.data(), 4), 0);
    EXPECT_EQ(opened.file.Size(), 10u);
    EXPECT_EQ(opened.file.Id(), IdentityOf(path));

    Put(At("other.1vc"), "0123456789");
    EXPECT_NE(IdentityOf(At("other.1vc")), IdentityOf(path));
#ifdef _WIN32
    std::string forward = path;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    EXPECT_EQ(IdentityOf(forward), IdentityOf(path));
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
#endif
    const OpenResult folder = OpenForReading(Folder());
    EXPECT_EQ(folder.failure, OpenFailure::Folder);
    EXPECT_EQ(folder.error, EISDIR) << "the reason a read of a folder gives";
    const OpenResult plain = OpenForReading(device);
    EXPECT_EQ(plain.failure, OpenFailure::NotPlain);
    EXPECT_EQ(plain.error, 0) << "no error number means no plain file";
    const auto replacing = ReplaceFile(device);
    EXPECT_FALSE(replacing->Create());
    EXPECT_TRUE(replacing->NotPlain());
    const OpenResult missing = OpenForReading(At("missing.1vc"));
    EXPECT_EQ(missing.failure, OpenFailure::Missing);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_FALSE(IdentityOf(At("missing.1vc")));
}

TEST(OsProgram, KnowsTheFolderOfItsOwnProgram)
{
    bool found = false;
    for (const auto& entry : fs::directory_iterator(FromUtf8(ProgramDirectory())))
        found = found || entry.path().stem() == "os_tests";
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace skerrow::os
