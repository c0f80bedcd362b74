// Opening a file: the fuzzed bytes are the whole file. The head checks and the listing must
// agree with the file layout worked out here independently, a refused file must leave the
// previous source in force with exactly one message, and no input may crash either.

#include "fuzz_support.h"

#include "editing/open_source.h"
#include "scripted_platform.h"
#include "voicefile/head_reader.h"
#include "voicefile/layout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skerrow::fuzz {
namespace {

constexpr std::size_t HeadSize = 3072;

// The names a head lists, straight from the layout: entries 0.. up to the slot count (at most
// 128), ending at the first entry that starts with a zero byte; each name ends at a zero byte.
std::vector<std::string> ExpectedNames(const std::string& image, int slots)
{
    std::vector<std::string> names;
    for (int k = 0; k < slots && k < 128; ++k) {
        const std::string field = image.substr(1024 + 16 * static_cast<std::size_t>(k), 10);
        if (field[0] == '\0')
            break;
        names.push_back(field.substr(0, field.find('\0')));
    }
    return names;
}

std::string ExpectedCountText(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

const std::string& PreviousSource()
{
    static const std::string path = [] {
        std::string bytes(HeadSize, '\0');
        bytes[50] = 16;
        bytes.replace(1024, 10, "Flute     ");
        bytes.replace(1040, 10, "Oboe      ");
        bytes.append(16 * HeadSize, '\x5a');
        const std::string p = WorkPath("PREVIOUS.1BK");
        Check(WriteFile(p, bytes), "cannot write the previous source");
        return p;
    }();
    return path;
}

void CheckHead(const std::string& bytes, const std::string& path)
{
    const HeadResult head = ReadHead(path);
    if (bytes.size() < HeadSize) {
        Check(head.status == HeadStatus::Truncated,
              "a file shorter than its head must be refused as truncated");
        return;
    }
    const auto count = static_cast<unsigned char>(bytes[50]);
    if (count != 1 && count != 16 && count != 128) {
        Check(head.status == HeadStatus::BadCount, "a bad slot count byte must be refused");
        return;
    }
    Check(head.status == HeadStatus::Ok, "a whole head with a good slot count must be accepted");
    Check(head.image == bytes.substr(0, HeadSize), "the head image must be the first 3072 bytes");
    Check(head.slotCount == count, "the slot count must be byte 50");
}

void CheckOpen(const std::string& bytes, const std::string& path)
{
    test::TestLibrarian t;
    Check(LoadSourceFile(t.lib, PreviousSource()), "the previous source must open");
    const LibraryState before = t.state;
    const std::vector<std::string> namesBefore = t.SourceNames();
    const std::string captionBefore = t.caption.Text();
    const std::string countBefore = t.Text1.Text();
    t.platform.ClearCalls();

    const bool opened = LoadSourceFile(t.lib, path);
    const bool acceptable =
        bytes.size() >= HeadSize && layout::IsValidSlotCount(static_cast<unsigned char>(bytes[50]));
    Check(opened == acceptable, "the open must succeed exactly for a whole head with a good slot count");

    if (!opened) {
        const auto messages = t.platform.Messages();
        Check(messages.size() == 1, "a refused file must show exactly one message");
        Check(messages[0].title == "Error", "a refused file's message must be titled Error");
        const std::string expected =
            bytes.size() < HeadSize ? "Bad or truncated VL file." : "Bad record count in VL file.";
        Check(messages[0].text == expected, "a refused file must show the message for its fault");
        Check(t.state.SourceImage == before.SourceImage &&
                  t.state.CurrentSourcePath == before.CurrentSourcePath &&
                  t.state.SourceVoiceCount == before.SourceVoiceCount,
              "a refused file must leave the previous source in force");
        Check(t.SourceNames() == namesBefore && t.caption.Text() == captionBefore &&
                  t.Text1.Text() == countBefore,
              "a refused file must leave the source list, count and caption as they were");
        return;
    }

    const int slots = static_cast<unsigned char>(bytes[50]);
    Check(t.platform.Messages().empty(), "an accepted file shows no message");
    Check(t.state.SourceImage == bytes.substr(0, HeadSize), "the source image must be the head");
    Check(t.state.CurrentSourcePath == path && t.state.SourceVoiceCount == slots,
          "path and slot count must be kept");
    const std::vector<std::string> names = ExpectedNames(bytes, slots);
    Check(t.SourceNames() == names,
          "the source list must show the directory's names up to the first empty entry");
    Check(t.Text1.Text() == ExpectedCountText(names.size()), "the source count text must match the list");
    Check(t.caption.Text() == "Skerrow (VOICES.AVC)", "the caption must name the file");
    Check(t.state.ListSaved == before.ListSaved && t.List2.Count() == 0,
          "opening must not touch the destination");
}

// Listing any image held in memory with any slot count, as a head image that did not come from
// the reader could be: nothing is read past the directory and nothing breaks.
void CheckListing(const std::string& bytes)
{
    if (bytes.size() < 2)
        return;
    const auto slots = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[0]) |
                                                 static_cast<unsigned char>(bytes[1]) << 8);
    test::TestLibrarian t;
    t.state.SourceImage = bytes.substr(2);
    t.state.SourceVoiceCount = slots;
    FillSourceList(t.lib);
    const std::vector<std::string> expected = t.state.SourceImage.size() >= HeadSize
                                                  ? ExpectedNames(t.state.SourceImage, slots)
                                                  : std::vector<std::string>{};
    Check(t.SourceNames() == expected,
          "an image in memory must list the directory's names, or none when short");
    Check(t.Text1.Text() == ExpectedCountText(expected.size()), "the count text must match the listing");
}

}  // namespace
}  // namespace skerrow::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace skerrow::fuzz;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = WorkPath("VOICES.AVC");
    Check(WriteFile(path, bytes), "cannot write the input file");
    CheckHead(bytes, path);
    CheckOpen(bytes, path);
    CheckListing(bytes);
    return 0;
}
