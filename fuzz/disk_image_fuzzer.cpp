// Reading a disk image: the fuzzed bytes are the whole image. An image is either refused with a
// message or read whole, and then every file reads back as long as its entry says and can be
// found by its path; writing a file into it either is refused with a message or gives an image
// that reads again, holds the new file and keeps every other file and the boot sector as they
// were. No input may crash or hang any of it.

#include "fuzz_support.h"

#include "core/ascii.h"
#include "diskimage/fat_image.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace skerrow::fuzz {
namespace {

using diskimage::FatImage;
using diskimage::Member;

const diskimage::FatTime Now{.year = 2026, .month = 12, .day = 8, .hour = 17, .minute = 30, .second = 44};

// Every file's bytes by the place of its folder entry, which no write moves.
std::map<std::uint32_t, std::string> Files(const FatImage& image)
{
    std::map<std::uint32_t, std::string> files;
    for (const Member& m : image.Members()) {
        if (m.isFolder)
            continue;
        files[m.entryOffset] = image.ReadAll(m);
        Check(files[m.entryOffset].size() == m.size, "a file must read back as long as its entry says");
        const Member* found = image.Find(m.path);
        Check(found && EqualIgnoringAsciiCase(found->path, m.path), "a member must be found by its path");
    }
    return files;
}

void CheckWrite(const FatImage& image, const std::string& folder, const std::string& contents)
{
    const diskimage::WriteResult written = image.Write(folder, "FUZZ.1VC", contents, Now);
    const diskimage::WriteResult checked = image.CheckWrite(folder, "FUZZ.1VC", contents.size());
    Check(checked.error == written.error && checked.replaced == written.replaced,
          "the check before a write must say what the write does");
    if (!written.bytes) {
        Check(!written.error.empty(), "a refused write must say why");
        return;
    }
    Check(written.bytes->size() == image.Bytes().size(), "a write must keep the image's size");
    Check(written.bytes->compare(0, 512, image.Bytes(), 0, 512) == 0, "a write must keep the boot sector");
    const diskimage::OpenResult reopened = FatImage::Open(*written.bytes);
    if (!reopened.image)
        Fail("a written image must read again: " + reopened.error);
    const Member* fuzz = reopened.image->Find(folder.empty() ? "FUZZ.1VC" : folder + "/FUZZ.1VC");
    Check(fuzz && reopened.image->ReadAll(*fuzz) == contents, "the written file must read back");
    std::map<std::uint32_t, std::string> before = Files(image);
    std::map<std::uint32_t, std::string> after = Files(*reopened.image);
    before.erase(fuzz->entryOffset);
    after.erase(fuzz->entryOffset);
    Check(before == after, "a write must keep every other file");
    // Never a second file that opening the name would find.
    const std::string prefix = folder.empty() ? std::string() : reopened.image->Find(folder)->path + "/";
    const auto named = std::count_if(
        reopened.image->Members().begin(), reopened.image->Members().end(), [&](const Member& m) {
            return m.path.starts_with(prefix) && m.path.find('/', prefix.size()) == std::string::npos &&
                   FatImage::Matches(m, "FUZZ.1VC");
        });
    Check(named == 1, "a write must leave one file of its name in its folder");
}

}  // namespace
}  // namespace skerrow::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skerrow::fuzz;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const skerrow::diskimage::OpenResult opened = FatImage::Open(bytes);
    if (!opened.image) {
        Check(!opened.error.empty(), "a refused image must say why");
        return 0;
    }
    Check(skerrow::diskimage::LooksLikeFatImage(bytes), "only what looks like an image may open");
    Files(*opened.image);
    const std::string contents(size % 3000, 'v');
    CheckWrite(*opened.image, "", contents);
    for (const Member& m : opened.image->Members())
        if (m.isFolder) {
            CheckWrite(*opened.image, m.path, contents);
            break;
        }
    return 0;
}
