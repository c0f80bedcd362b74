// Walking a tree named in each way a user may spell a path: what the walk prints can be given back,
// joined with the one separator the root uses, whatever the depth.
#include "collection/walk.h"
#include "os/os.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace skerrow {
namespace {

namespace fs = std::filesystem;

struct PathForm {
    const char* name;
    // The root's spelling, from the tree's absolute path in the system's own form.
    std::function<std::string(const std::string& absolute)> spell;
    char separator;  // what the walk must join the names below the root with
};

#ifdef _WIN32
std::string WithSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}
#endif

const PathForm Forms[] = {
    {"Absolute", [](const std::string& p) { return p; }, fs::path::preferred_separator},
    {"EndingInASeparator", [](const std::string& p) { return p + char(fs::path::preferred_separator); },
     fs::path::preferred_separator},
#ifdef _WIN32
    {"ForwardSlashes", [](const std::string& p) { return WithSlashes(p); }, '/'},
    {"LongPrefix", [](const std::string& p) { return "\\\\?\\" + p; }, '\\'},
    {"DevicePrefixWithSlashes", [](const std::string& p) { return "//?/" + WithSlashes(p); }, '/'},
    {"DriveRelative",
     [](const std::string& p) {
         const std::string drive = p.substr(0, 2);
         return drive + fs::relative(p, fs::absolute(drive)).string();
     },
     '\\'},
#endif
};

class WalkPathFormTest : public testing::TestWithParam<PathForm> {};

TEST_P(WalkPathFormTest, PrintsPathsThatNameTheFilesReadWithOneSeparator)
{
    test::TempDir dir;
    const std::string bytes = test::BuildVoiceFile({.slotCount = 1, .names = {"Solo"}});
    // Below 300 characters of folders, past the old limit of 260 on Windows.
    const std::vector<std::string> deep(7, std::string(44, 'd'));
    fs::path folder = dir.path() / "tree";
    for (const std::string& name : deep)
        folder /= name;
    fs::create_directories(folder);
    test::WriteBytes(dir.path() / "tree" / "top.1vc", bytes);
    test::WriteBytes(folder / "deep.1vc", bytes);

    const PathForm& form = GetParam();
    const std::string root = form.spell((dir.path() / "tree").string());
    const std::string start = root.back() == form.separator ? root : root + form.separator;
    std::string deepPath = start;
    for (const std::string& name : deep)
        deepPath += name + form.separator;
    deepPath += "deep.1vc";
    ASSERT_GT(deepPath.size(), 300u);

    MultiWalk walk({root});
    EXPECT_TRUE(walk.Missing().empty());
    std::vector<std::string> files;
    while (std::optional<WalkItem> item = walk.Next()) {
        ASSERT_EQ(item->kind, WalkKind::File) << item->path << " error " << item->error;
        files.push_back(item->path);
        const os::OpenResult walked = OpenWalkedFile(*item);
        const os::OpenResult again = os::OpenForReading(item->path);
        ASSERT_TRUE(walked.file && again.file) << item->path;
        EXPECT_EQ(walked.file.Id(), again.file.Id()) << item->path;
        EXPECT_EQ(walked.file.Size(), bytes.size()) << item->path;
    }
    EXPECT_EQ(files, (std::vector<std::string>{deepPath, start + "top.1vc"}));
}

INSTANTIATE_TEST_SUITE_P(Forms, WalkPathFormTest, testing::ValuesIn(Forms),
                         [](const testing::TestParamInfo<PathForm>& info) { return info.param.name; });

}  // namespace
}  // namespace skerrow
