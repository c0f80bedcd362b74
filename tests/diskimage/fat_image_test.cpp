// Disk images against independent FAT implementations: images that mtools and mkfs.fat make are
// read as mtools wrote them, and images we write pass fsck.fat and read back the same in mtools.

#include "diskimage/fat_image.h"
#include "diskimage/short_name.h"
#include "shell_tools.h"
#include "voice_file_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

namespace skerrow::diskimage {
namespace {

using test::BuildVoiceFile;
using test::Quote;
using test::ReadBytes;
using test::Shell;
using test::WriteBytes;

const FatTime Now{.year = 2026, .month = 12, .day = 8, .hour = 17, .minute = 30, .second = 44};

#ifndef _WIN32  // mtools and mkfs.fat run on POSIX systems only
std::string Bank(std::uint8_t id)
{
    return BuildVoiceFile({.slotCount = 16, .names = test::NumberedNames(16), .fileId = id});
}

struct Maker {
    const char* name;
    std::function<std::string(const std::string& path)> make;  // returns the image's bytes
};

// Runs a command that makes the image at path; returns the image's bytes.
void PrintTo(const Maker& maker, std::ostream* out)
{
    *out << maker.name;
}

std::string Tool(const std::string& path, const std::string& command)
{
    EXPECT_EQ(Shell(command), 0) << command;
    return ReadBytes(path);
}

class MadeImageTest : public testing::TestWithParam<Maker> {};

// One image per maker, filled by mcopy with a bank in the root, one under a long name, one in a
// subfolder and one deleted again; then read, changed by us, and checked by fsck.fat and mtools.
TEST_P(MadeImageTest, ReadsWhatMtoolsWroteAndWritesWhatMtoolsAndFsckRead)
{
    test::TempDir dir;
    const std::string img = dir.file("disk.img");
    WriteBytes(img, GetParam().make(img));
    const std::map<std::string, std::string> copied{
        {"brass.1bk", Bank(1)}, {"Strings \u266B \u00E9\u0800.1bk", Bank(2)}, {"BANKS/PADS.AVC", Bank(3)}};
    ASSERT_EQ(Shell("mmd -i " + Quote(img) + " ::BANKS"), 0);
    for (const auto& [path, bytes] : copied) {
        WriteBytes(dir.file("in"), bytes);
        ASSERT_EQ(Shell("mcopy -i " + Quote(img) + " " + Quote(dir.file("in")) + " " + Quote("::" + path)),
                  0);
    }
    WriteBytes(dir.file("in"), Bank(9));
    ASSERT_EQ(Shell("mcopy -i " + Quote(img) + " " + Quote(dir.file("in")) + " '::Gone Soon.1bk'"), 0);
    ASSERT_EQ(Shell("mdel -i " + Quote(img) + " '::Gone Soon.1bk'"), 0);

    OpenResult opened = FatImage::Open(ReadBytes(img));
    ASSERT_TRUE(opened.image) << opened.error;
    const FatImage& image = *opened.image;
    std::map<std::string, std::string> listed;
    for (const Member& m : image.Members())
        if (!m.isFolder)
            listed[m.path] = image.ReadAll(m);
    EXPECT_EQ(listed, copied);
    ASSERT_TRUE(image.Find("strings \u266B \u00E9\u0800.1BK"));
    EXPECT_EQ(image.Find("STRING~1.1BK")->longName, "Strings \u266B \u00E9\u0800.1bk");
    EXPECT_EQ(image.Read(*image.Find("banks/pads.avc"), 3072 * 16 + 100, 4000),
              Bank(3).substr(3072 * 16 + 100));

    // Replace a plain member and a long-named one (by its short name), add one to the root and
    // enough to the subfolder that it needs another cluster for its entries.
    std::map<std::string, std::string> expected = copied;
    std::string bytes = image.Bytes();
    auto write = [&](const std::string& folder, const std::string& name, const std::string& contents) {
        OpenResult current = FatImage::Open(bytes);
        ASSERT_TRUE(current.image) << current.error;
        WriteResult written = current.image->Write(folder, name, contents, Now);
        ASSERT_TRUE(written.bytes) << written.error;
        bytes = *written.bytes;
    };
    write("", "BRASS.1BK", expected["brass.1bk"] = Bank(4));
    write("", "string~1.1bk", expected["Strings \u266B \u00E9\u0800.1bk"] = Bank(5));
    write("/", "NEW.1VC",
          expected["NEW.1VC"] = BuildVoiceFile({.slotCount = 1, .names = {"Solo"}, .fileId = 6}));
    for (int i = 0; i < 40; ++i)
        write("banks", std::to_string(i) + ".1VC", expected["BANKS/" + std::to_string(i) + ".1VC"] = "");
    write("BANKS", "BIG.AVC", expected["BANKS/BIG.AVC"] = Bank(7) + Bank(8));
    WriteBytes(img, bytes);
    EXPECT_EQ(FatImage::Open(bytes).image->Find("new.1vc")->written, Now);

    std::string report;
    EXPECT_EQ(Shell("fsck.fat -n " + Quote(img), &report), 0) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 2) << report;
    for (const auto& [path, contents] : expected) {
        ASSERT_EQ(
            Shell("mcopy -n -i " + Quote(img) + " " + Quote("::" + path) + " " + Quote(dir.file("out"))), 0);
        EXPECT_EQ(ReadBytes(dir.file("out")), contents) << path;
    }
    std::string listing;
    ASSERT_EQ(Shell("mdir -i " + Quote(img) + " ::", &listing), 0);
    EXPECT_NE(listing.find("Strings \u266B \u00E9\u0800.1bk"), std::string::npos) << listing;
    EXPECT_NE(listing.find("NEW      1VC      6144 2026-12-08  17:30"), std::string::npos) << listing;
    EXPECT_EQ(bytes.substr(0, 512), image.Bytes().substr(0, 512));
}

INSTANTIATE_TEST_SUITE_P(
    Makers, MadeImageTest,
    testing::Values(
        Maker{"mformat720k",
              [](const std::string& p) { return Tool(p, "mformat -C -f 720 -i " + Quote(p) + " ::"); }},
        Maker{"mkfs12", [](const std::string& p) { return Tool(p, "mkfs.fat -C " + Quote(p) + " 1440"); }},
        Maker{"mkfs16",
              [](const std::string& p) { return Tool(p, "mkfs.fat -F 16 -C " + Quote(p) + " 16384"); }},
        Maker{"ours720k", [](const std::string&) { return FormatFatImage(FloppySize::Kb720, 7); }},
        Maker{"ours1440k", [](const std::string&) { return FormatFatImage(FloppySize::Kb1440, 7); }}),
    [](const testing::TestParamInfo<Maker>& info) { return std::string(info.param.name); });

// Our new images have the same parameter block as mformat's for the same size.
TEST(FormatTest, GeometryMatchesMformat)
{
    test::TempDir dir;
    for (auto [size, flag] : {std::pair{FloppySize::Kb720, "720"}, std::pair{FloppySize::Kb1440, "1440"}}) {
        const std::string path = dir.file(flag);
        const std::string theirs =
            Tool(path, std::string("mformat -C -f ") + flag + " -i " + Quote(path) + " ::");
        const std::string ours = FormatFatImage(size, 1);
        EXPECT_EQ(ours.size(), theirs.size()) << flag;
        EXPECT_EQ(ours.substr(11, 17), theirs.substr(11, 17)) << flag;
    }
}

void SetFat12(std::string& bytes, const FatGeometry& g, std::uint32_t cluster, unsigned value)
{
    const std::size_t at = g.fatOffset + cluster + cluster / 2;
    unsigned pair = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    pair = cluster % 2 ? (pair & 0xF) | value << 4 : (pair & 0xF000) | value;
    bytes[at] = static_cast<char>(pair & 0xFF);
    bytes[at + 1] = static_cast<char>(pair >> 8);
}

void Set16(std::string& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

// A good 1.44 MB image by mformat and mcopy, with a bank in the root and one in a folder.
struct Sample {
    std::string bytes;
    Member bank;
    Member folder;
    Member inFolder;
    FatGeometry g;
};

const Sample& Good()
{
    static const Sample sample = [] {
        test::TempDir dir;
        const std::string img = dir.file("good.img");
        Tool(img, "mformat -C -f 1440 -i " + Quote(img) + " ::");
        WriteBytes(dir.file("b"), Bank(1));
        Shell("mmd -i " + img + " ::BANKS && mcopy -i " + img + " " + dir.file("b") +
              " ::BRASS.1BK && mcopy -i " + img + " " + dir.file("b") + " ::BANKS/PADS.1BK");
        std::string bytes = ReadBytes(img);
        const FatImage made = *FatImage::Open(bytes).image;
        // Any value from 0xFF8 up ends a chain; mtools writes 0xFFF, older systems 0xFF8.
        SetFat12(bytes, made.Geometry(), made.Find("BRASS.1BK")->firstCluster + 101, 0xFF8);
        const FatImage image = *FatImage::Open(bytes).image;
        return Sample{image.Bytes(), *image.Find("BRASS.1BK"), *image.Find("BANKS"),
                      *image.Find("BANKS/PADS.1BK"), image.Geometry()};
    }();
    return sample;
}

struct DamageCase {
    const char* name;
    std::function<void(std::string&, const Sample&)> damage;
    const char* message;
};

TEST(DamagedImageTest, EachDamageIsRefusedWithItsMessage)
{
    const std::vector<DamageCase> cases{
        {"voice file", [](std::string& b, const Sample&) { b = Bank(1); }, "Not a disk image"},
        {"truncated", [](std::string& b, const Sample&) { b.resize(b.size() - 1); },
         "cut short, 1474559 bytes"},
        {"FAT32", [](std::string& b, const Sample&) { Set16(b, 22, 0); }, "FAT32"},
        {"FAT too small", [](std::string& b, const Sample&) { Set16(b, 22, 8); }, "FAT is too small"},
        {"no root", [](std::string& b, const Sample&) { Set16(b, 17, 0); }, "no entries"},
        {"no boot sector of its own", [](std::string& b, const Sample&) { Set16(b, 14, 0); },
         "gives 0 reserved sectors"},
        {"FAT past the end",
         [](std::string& b, const Sample& s) {
             SetFat12(b, s.g, s.bank.firstCluster + 3, s.g.clusterCount + 2);
         },
         "past the end of the disk in the clusters of \"BRASS.1BK\""},
        {"free in chain", [](std::string& b, const Sample& s) { SetFat12(b, s.g, s.bank.firstCluster, 0); },
         "run into a free cluster"},
        {"chain loop",
         [](std::string& b, const Sample& s) {
             SetFat12(b, s.g, s.bank.firstCluster + 5, s.bank.firstCluster);
         },
         "clusters of \"BRASS.1BK\" run in a loop"},
        {"size too large",
         [](std::string& b, const Sample& s) { Set16(b, s.bank.entryOffset + 28, 52224 + 512); },
         "52736 bytes long but its clusters hold 52224"},
        {"size too small",
         [](std::string& b, const Sample& s) { Set16(b, s.bank.entryOffset + 28, 52224 - 512); },
         "51712 bytes long"},
        {"bigger than the image", [](std::string& b, const Sample& s) { b[s.bank.entryOffset + 31] = 0x7F; },
         "more than the whole disk holds"},
        {"bytes without clusters",
         [](std::string& b, const Sample& s) { Set16(b, s.bank.entryOffset + 26, 0); },
         "has no clusters for its bytes"},
        {"name twice in a folder",
         [](std::string& b, const Sample& s) { b.replace(s.folder.entryOffset, 11, "BRASS   1BK"); },
         "two entries of the root folder have the name \"BRASS.1BK\""},
        {"shared clusters",
         [](std::string& b, const Sample& s) { Set16(b, s.inFolder.entryOffset + 26, s.bank.firstCluster); },
         "\"BANKS/PADS.1BK\" shares clusters with \"BRASS.1BK\""},
        {"folder loop",
         [](std::string& b, const Sample& s) {
             b[s.inFolder.entryOffset + 11] = 0x10;
             Set16(b, s.inFolder.entryOffset + 26, s.folder.firstCluster);
         },
         "the folder \"BANKS/PADS.1BK\" leads back into \"BANKS\""},
    };
    ASSERT_TRUE(FatImage::Open(Good().bytes).image);
    for (const DamageCase& c : cases) {
        std::string bytes = Good().bytes;
        c.damage(bytes, Good());
        const OpenResult result = FatImage::Open(bytes);
        EXPECT_FALSE(result.image) << c.name;
        EXPECT_NE(result.error.find(c.message), std::string::npos) << c.name << ": " << result.error;
    }
}

// A save replaces the file that opening the name finds, by the same rule, whatever the case of
// its stored short name; it keeps the file's marks and refuses a file marked read-only, as DOS
// does. mtools reads what came out.
TEST(WriteTest, ReplacesTheFileOpeningFindsAndKeepsItsMarks)
{
    test::TempDir dir;
    const std::string img = dir.file("disk.img");
    Tool(img, "mformat -C -f 1440 -i " + Quote(img) + " ::");
    WriteBytes(dir.file("b"), Bank(1));
    for (const char* name : {"LOWER.1BK", "HID.1BK", "RO.1BK"})
        ASSERT_EQ(Shell("mcopy -i " + Quote(img) + " " + Quote(dir.file("b")) + " ::" + name), 0);
    ASSERT_EQ(
        Shell("mattrib -i " + Quote(img) + " +h +s ::HID.1BK && mattrib -i " + Quote(img) + " +r ::RO.1BK"),
        0);
    // A tool that does not raise names wrote this one in small letters.
    std::string bytes = ReadBytes(img);
    bytes.replace(FatImage::Open(bytes).image->Find("LOWER.1BK")->entryOffset, 11, "lower   1bk");

    for (const std::string typed : {"LOWER.1BK", "lower.1bk", "HID.1BK"}) {
        const WriteResult written = FatImage::Open(bytes).image->Write("", typed, Bank(2), Now);
        ASSERT_TRUE(written.bytes) << typed << ": " << written.error;
        EXPECT_TRUE(written.replaced) << typed;
        bytes = *written.bytes;
    }
    const WriteResult refused = FatImage::Open(bytes).image->Write("", "ro.1bk", Bank(2), Now);
    EXPECT_FALSE(refused.bytes);
    EXPECT_TRUE(refused.readOnly);
    EXPECT_EQ(refused.path, "RO.1BK");
    WriteBytes(img, bytes);

    std::string listing;
    ASSERT_EQ(Shell("mdir -a -b -i " + Quote(img) + " ::", &listing), 0);
    EXPECT_EQ(listing, "::/lower.1bk\n::/HID.1BK\n::/RO.1BK\n");
    std::string marks;
    ASSERT_EQ(Shell("mattrib -i " + Quote(img) + " ::HID.1BK ::RO.1BK", &marks), 0);
    EXPECT_EQ(marks, "  A  SH      ::/HID.1BK\n  A    R     ::/RO.1BK\n");
    for (const auto& [name, contents] :
         {std::pair{"LOWER.1BK", Bank(2)}, {"HID.1BK", Bank(2)}, {"RO.1BK", Bank(1)}}) {
        ASSERT_EQ(Shell("mcopy -n -i " + Quote(img) + " ::" + name + " " + Quote(dir.file("out"))), 0);
        EXPECT_EQ(ReadBytes(dir.file("out")), contents) << name;
    }
    std::string report;
    EXPECT_EQ(Shell("fsck.fat -n " + Quote(img), &report), 0) << report;
}

// Boot sectors that fsck.fat refuses are refused, naming the field and its value, before anything
// is read through them; those it takes are taken. A write would otherwise land where the boot
// sector says the FATs or the root folder are, on top of other files.
TEST(BootSectorTest, RefusedExactlyWhereFsckRefusesNamingTheField)
{
    struct Row {
        const char* name;
        std::size_t at;
        std::string bytes;
        const char* refusal;  // empty: a usable image
    };
    const auto le16 = [](unsigned v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    const std::vector<Row> rows{
        {"three FATs", 16, "\x03", "gives 3 FATs; only 1 or 2"},
        {"no FAT", 16, std::string(1, '\0'), "gives 0 FATs"},
        {"root of 36 entries", 17, le16(36), "root folder 36 entries, which do not fill whole sectors"},
        {"root of 67 entries", 17, le16(67), "67 entries"},
        {"root of 255 entries", 17, le16(255), "255 entries"},
        {"root past the data", 17, le16(4000), ""},
        {"no reserved sector", 14, le16(0), "gives 0 reserved sectors"},
        {"FATs past their place", 14, le16(100), "first FAT entry holds no media byte (0x000)"},
        {"FAT of one sector", 22, le16(1),
         "FAT is too small for its clusters (1 sector with room for 339, 2863 needed)"},
        {"no bytes a sector", 11, le16(0), "gives 0 bytes a sector"},
        {"256 bytes a sector", 11, le16(256), "gives 256 bytes a sector"},
        {"no sectors a cluster", 13, std::string(1, '\0'), "gives 0 sectors a cluster"},
        {"three sectors a cluster", 13, "\x03", ""},
        {"no media byte in either FAT", 512, "\x10", "first FAT entry holds no media byte (0xF10)"},
    };
    test::TempDir dir;
    const std::string img = dir.file("disk.img");
    const std::string good = Tool(img, "mformat -C -f 1440 -i " + Quote(img) + " ::");
    for (const Row& row : rows) {
        std::string bytes = good;
        bytes.replace(row.at, row.bytes.size(), row.bytes);
        if (row.at == 512)  // both copies of the FAT
            bytes.replace(512 + 9 * 512, row.bytes.size(), row.bytes);
        WriteBytes(img, bytes);
        std::string report;
        const bool fsckRefuses = Shell("fsck.fat -n " + Quote(img), &report) != 0;
        const OpenResult opened = FatImage::Open(bytes);
        EXPECT_EQ(!opened.image, fsckRefuses) << row.name << ": " << opened.error << "\n" << report;
        if (*row.refusal) {
            EXPECT_EQ(opened.error.rfind("Damaged disk image: ", 0), 0U) << row.name << ": " << opened.error;
        }
        EXPECT_NE(opened.error.find(row.refusal), std::string::npos) << row.name << ": " << opened.error;
    }

    // Copies of the FAT that differ: read through the first, as fsck.fat does, but never written,
    // since a write would make them alike and so choose between them.
    std::string differing = good;
    differing[512 + 9 * 512 + 5] = '\x01';
    const OpenResult opened = FatImage::Open(differing);
    ASSERT_TRUE(opened.image) << opened.error;
    EXPECT_EQ(opened.image->Write("", "NEW.1BK", "x", Now).error,
              "Damaged disk image: the copies of the FAT differ.");
}

// A loop far down a crafted image is named by the folders at its ends, not by a path of kilobytes.
TEST(DamagedImageTest, ALoopDeepDownIsNamedInALineAUserCanRead)
{
    test::TempDir dir;
    const std::string img = dir.file("deep.img");
    Tool(img, "mformat -C -f 1440 -i " + Quote(img) + " ::");
    std::string folders;
    std::string path = "::";
    for (int depth = 1; depth <= 30; ++depth) {
        path.append(depth == 1 ? "FOLDER" : "/FOLDER").append(std::to_string(depth));
        folders.append(" ").append(Quote(path));
    }
    ASSERT_EQ(Shell("mmd -i " + Quote(img) + folders), 0);
    std::string bytes = ReadBytes(img);
    const FatImage image = *FatImage::Open(bytes).image;
    const Member* top = image.Find("FOLDER1");
    const Member* deepest = &image.Members().back();
    ASSERT_TRUE(top && deepest->isFolder);
    Set16(bytes, deepest->entryOffset + 26, top->firstCluster);
    const OpenResult opened = FatImage::Open(bytes);
    ASSERT_FALSE(opened.image);
    EXPECT_LT(opened.error.size(), 250U) << opened.error;
    EXPECT_NE(opened.error.find("\"FOLDER1/.../FOLDER29/FOLDER30\" (30 folders deep) leads back into "
                                "\"FOLDER1\""),
              std::string::npos)
        << opened.error;
}

#endif

// A write that cannot be done returns a message and no image; one that only fits because the
// replaced file's clusters come free is done.
TEST(WriteTest, RefusesWhatDoesNotFitAndReusesReplacedClusters)
{
    const FatImage image = *FatImage::Open(FormatFatImage(FloppySize::Kb720, 1)).image;
    const std::uint64_t free = image.FreeBytes();
    EXPECT_EQ(free, 713U * 1024);
    const FatImage fullish =
        *FatImage::Open(*image.Write("", "A.AVC", std::string(free - 1024, 'a'), Now).bytes).image;
    EXPECT_EQ(fullish.Write("", "B.1VC", std::string(2048, 'b'), Now).error,
              "Disk image is full: 2 KB needed, 1 KB free");
    const WriteResult replaced = fullish.Write("", "a.avc", std::string(free, 'c'), Now);
    ASSERT_TRUE(replaced.bytes) << replaced.error;
    EXPECT_TRUE(replaced.replaced);
    const OpenResult after = FatImage::Open(*replaced.bytes);
    ASSERT_TRUE(after.image) << after.error;
    EXPECT_EQ(after.image->ReadAll(*after.image->Find("A.AVC")), std::string(free, 'c'));
    EXPECT_EQ(fullish.Write("", "A.AVC", std::string(free + 1, 'c'), Now).error,
              "Disk image is full: 714 KB needed, 713 KB free");

    std::string bytes = image.Bytes();
    for (int i = 0; i < 112; ++i)
        bytes = *FatImage::Open(bytes).image->Write("", std::to_string(i), "", Now).bytes;
    const FatImage crowded = *FatImage::Open(bytes).image;
    EXPECT_EQ(crowded.Write("", "ONE.MOR", "x", Now).error, "Disk image folder is full");
    EXPECT_TRUE(crowded.Write("", "7", "x", Now).bytes);
    EXPECT_EQ(crowded.Write("NOWHERE", "X", "x", Now).error, "There is no folder \"NOWHERE\" on the disk.");
}

TEST(ShortNameTest, TypedNamesAreRaisedOrRefusedWithTheReason)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"brass.1bk", "BRASS.1BK"},
        {"A_1~(x){}.avc", "at most 8 characters before"},
        {"a_1~(x).{}!", "A_1~(X).{}!"},
        {"NAME.", "NAME"},
        {"NAME", "NAME"},
        {"", "empty"},
        {"A.B.C", "only one dot"},
        {".1BK", "before the dot"},
        {"ABCDEFGH.1BKS", "at most 3 characters after"},
        {"MY BANK.1BK", "\" \" is not allowed"},
        {"A+B.1BK", "\"+\" is not allowed"},
        {"\xC3\x84.1BK", "only letters A to Z"},
        {"con.1bk", "CON is the name of a device"},
        {"lpt9", "device"},
        {"COM0", "COM0"},
    };
    for (const auto& [typed, expected] : cases) {
        const ShortName name = NormaliseShortName(typed);
        EXPECT_EQ(name.error.empty()
                      ? name.text
                      : name.error.substr(
                            name.error.find(expected) == std::string::npos ? 0 : name.error.find(expected),
                            expected.size()),
                  expected)
            << typed << " -> " << name.error;
    }
    EXPECT_EQ(NormaliseShortName("a.b").field, "A       B  ");
}

}  // namespace
}  // namespace skerrow::diskimage
