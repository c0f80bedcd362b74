// Writing a destination built out of fuzzed source files. The input holds a short script and up
// to eight compact source-file descriptions, split by the marker "#src#":
//
//   script: target kind, SaveSlots choice (and a raw value), then steps of three bytes
//           (operation, a, b): open source a; copy source item a; copy every source item;
//           change source a on disk after its voices were copied (delete it, cut it to b*1536
//           bytes, put a folder in its place, or give it source b's bytes).
//   source: two bytes L (little-endian), the slot count byte, then up to 2048 bytes of name
//           directory. The file is a head with those, followed by L*64 bytes of voice data, or,
//           when L's top bit is set, the head cut or zero-extended to (L & 0x7fff)*8 bytes.
//
// The save must then do exactly what the files on disk at that moment allow: a complete file
// that reads back with the destination's names in the same order and the right blocks, or one
// message for the first entry that cannot be read with the old target untouched. Either way
// no temporary file may remain.

#include "fuzz_support.h"

#include "editing/copy_voices.h"
#include "editing/open_source.h"
#include "editing/save_as.h"
#include "scripted_platform.h"
#include "voicefile/head_reader.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace skerrow::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t Block = 3072;
constexpr std::string_view Marker = "#src#";
constexpr std::size_t MaxSources = 8;
constexpr std::size_t MaxSteps = 400;

struct FileState {
    enum class Kind { Missing, Plain, Folder } kind = Kind::Missing;
    std::string bytes;
};

std::vector<std::string_view> SplitParts(std::string_view input)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = input.find(Marker);
        parts.push_back(input.substr(0, at));
        if (at == std::string_view::npos || parts.size() > MaxSources)
            return parts;
        input.remove_prefix(at + Marker.size());
    }
}

unsigned Byte(std::string_view part, std::size_t at)
{
    return at < part.size() ? static_cast<unsigned char>(part[at]) : 0u;
}

// Voice data that differs from file to file and from slot to slot, so that a block copied from
// the wrong place shows: byte o of file f is (f * 37 + (o / 3072) * 11 + o) mod 256, which is a
// run of counting bytes within each block, cut from one ramp.
void AppendData(std::string& bytes, std::size_t fileIndex, std::size_t end)
{
    static const std::string ramp = [] {
        std::string r(Block + 256, '\0');
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] = static_cast<char>(i & 0xFF);
        return r;
    }();
    while (bytes.size() < end) {
        const std::size_t offset = bytes.size();
        const std::size_t inBlock = offset % Block;
        const std::size_t start = (fileIndex * 37 + (offset / Block) * 11 + offset) & 0xFF;
        bytes.append(ramp, start, std::min(Block - inBlock, end - offset));
    }
}

std::string BuildSource(std::string_view part, std::size_t fileIndex)
{
    const unsigned length = Byte(part, 0) | Byte(part, 1) << 8;
    std::string bytes(Block, '\0');
    for (std::size_t i = 0; i < 50; ++i)
        bytes[i] = static_cast<char>(fileIndex * 7 + i * 3 + 1);
    bytes[50] = static_cast<char>(Byte(part, 2));
    if (part.size() > 3) {
        const std::string_view directory = part.substr(3, 2048);
        std::copy(directory.begin(), directory.end(), bytes.begin() + 1024);
    }
    if (length & 0x8000u)
        bytes.resize((length & 0x7fffu) * 8u, '\0');
    else
        AppendData(bytes, fileIndex, Block + std::min<std::size_t>(length, 130 * Block / 64) * 64);
    return bytes;
}

void Put(const std::string& path, const FileState& state)
{
    std::error_code error;
    fs::remove_all(path, error);
    switch (state.kind) {
    case FileState::Kind::Missing:
        break;
    case FileState::Kind::Plain:
        Check(WriteFile(path, state.bytes), "cannot write a source file");
        break;
    case FileState::Kind::Folder:
        Check(fs::create_directory(path, error), "cannot make a folder");
        break;
    }
}

FileState Observe(const std::string& path)
{
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    if (fs::is_directory(status))
        return {FileState::Kind::Folder, {}};
    if (fs::is_regular_file(status)) {
        auto bytes = ReadFile(path);
        Check(bytes.has_value(), "cannot read back a plain file");
        return {FileState::Kind::Plain, std::move(*bytes)};
    }
    Check(!fs::exists(status), "unexpected kind of file in the work folder");
    return {};
}

bool Same(const FileState& a, const FileState& b)
{
    return a.kind == b.kind && a.bytes == b.bytes;
}

const std::string& OldAllVoices()
{
    static const std::string bytes = [] {
        std::string b(Block, '\0');
        for (std::size_t i = 0; i < 50; ++i)
            b[i] = static_cast<char>(0xEE - i);
        b[50] = static_cast<char>(128);
        for (int k = 0; k < 128; ++k)
            b.replace(1024 + 16 * static_cast<std::size_t>(k), 10, "OLD" + std::to_string(1000000 + k));
        AppendData(b, 99, 129 * Block);
        return b;
    }();
    return bytes;
}

std::string Padded(std::string name)
{
    name.resize(10, ' ');
    return name;
}

enum class TargetKind { New, OldFile, FirstSource, Folder, Link };

void Run(std::string_view input)
{
    ClearWorkDir();
    const std::vector<std::string_view> parts = SplitParts(input);
    const std::string_view script = parts[0];
    const std::size_t sourceCount = std::min(parts.size() - 1, MaxSources);

    std::vector<std::string> sourcePaths;
    std::vector<std::string> generated;
    std::map<std::string, FileState> disk;
    for (std::size_t i = 0; i < sourceCount; ++i) {
        sourcePaths.push_back(WorkPath("SRC" + std::to_string(i) + ".1BK"));
        generated.push_back(BuildSource(parts[i + 1], i));
        disk[sourcePaths[i]] = {FileState::Kind::Plain, generated[i]};
        Put(sourcePaths[i], disk[sourcePaths[i]]);
    }

    test::TestLibrarian t;
    std::size_t step = 4;
    for (std::size_t n = 0; n < MaxSteps && step + 3 <= script.size(); ++n, step += 3) {
        const unsigned op = Byte(script, step);
        const unsigned a = Byte(script, step + 1);
        const unsigned b = Byte(script, step + 2);
        if (sourceCount == 0)
            break;
        switch (op % 4) {
        case 0:
            LoadSourceFile(t.lib, sourcePaths[a % sourceCount]);
            break;
        case 1:
            if (t.List1.Count() > 0 && t.List2.Count() < MaxDestEntries)
                AppendDestEntry(t.lib, static_cast<int>(a % static_cast<unsigned>(t.List1.Count())));
            break;
        case 2:
            t.state.ShiftHeld = ShiftMask;
            CopySelectedVoices(t.lib);
            break;
        case 3: {
            const std::string& path = sourcePaths[a % sourceCount];
            FileState& state = disk[path];
            switch ((op / 4) % 4) {
            case 0:
                state = {};
                break;
            case 1:
                if (state.kind == FileState::Kind::Plain)
                    state.bytes.resize(std::min<std::size_t>(state.bytes.size(), b * 1536u));
                break;
            case 2:
                state = {FileState::Kind::Folder, {}};
                break;
            case 3:
                state = {FileState::Kind::Plain, generated[b % sourceCount]};
                break;
            }
            Put(path, state);
            break;
        }
        }
    }

    // Where the save goes.
    auto kind = static_cast<TargetKind>(Byte(script, 0) % 5);
    if (kind == TargetKind::FirstSource && sourceCount == 0)
        kind = TargetKind::New;
    const std::string realPath = kind == TargetKind::FirstSource ? sourcePaths[0]
                                 : kind == TargetKind::Link      ? WorkPath("REAL.AVC")
                                                                 : WorkPath("OUT.AVC");
    const std::string savePath = kind == TargetKind::FirstSource ? sourcePaths[0] : WorkPath("OUT.AVC");
    if (kind == TargetKind::OldFile || kind == TargetKind::Link)
        disk[realPath] = {FileState::Kind::Plain, OldAllVoices()};
    else if (kind == TargetKind::Folder)
        disk[realPath] = {FileState::Kind::Folder, {}};
    if (kind != TargetKind::FirstSource)
        Put(realPath, disk[realPath]);
    if (kind == TargetKind::Link) {
        std::error_code error;
        fs::create_symlink("REAL.AVC", savePath, error);
        Check(!error, "cannot make the link");
    }

    const int count = t.List2.Count();
    const unsigned slotsChoice = Byte(script, 1);
    const auto rawSlots = static_cast<std::int16_t>(Byte(script, 2) | Byte(script, 3) << 8);
    t.state.SaveSlots = (slotsChoice & 1) ? rawSlots : static_cast<std::int16_t>(layout::SaveSlotsFor(count));

    // What the files on disk allow: the first entry that cannot be read decides the message.
    std::string expectedMessage;
    std::vector<std::string> blocks;
    const FileState targetBefore = Observe(realPath);
    if (targetBefore.kind == FileState::Kind::Folder)
        expectedMessage = "Creation error: " + savePath;
    for (int i = 0; i < count && expectedMessage.empty(); ++i) {
        const DestEntry& entry = t.state.DestEntries[static_cast<std::size_t>(i)];
        const FileState& source = disk[entry.SourcePath];
        const std::size_t offset = Block * static_cast<std::size_t>(entry.VoiceNumber);
        if (source.kind != FileState::Kind::Plain)
            expectedMessage = entry.SourcePath + " not found.";
        else if (source.bytes.size() < offset + Block)
            expectedMessage = "Read error: " + entry.SourcePath;
        else
            blocks.push_back(source.bytes.substr(offset, Block));
    }

    const std::vector<std::string> namesBefore = t.DestNames();
    const auto entriesBefore = t.state.DestEntries;
    const Flag savedBefore = t.state.ListSaved;
    t.platform.ClearCalls();
    const bool written = WriteDestinationFile(t.lib, savePath);

    // Entries that read from the file a save replaced read their own voice in the new one.
    auto entriesAfter = entriesBefore;
    for (int i = 0; written && i < count; ++i) {
        auto& entry = entriesAfter[static_cast<std::size_t>(i)];
        if (entry.SourcePath == realPath)
            entry = {savePath, static_cast<std::int16_t>(i + 1)};
    }
    Check(t.DestNames() == namesBefore && t.state.DestEntries == entriesAfter,
          "a save must change no entry but those that followed the replaced file");
    for (const std::string& name : WorkDirEntries())
        Check(name.find(".skerrow-") == std::string::npos, "a save must leave no temporary file behind");
    if (kind == TargetKind::Link)
        Check(fs::is_symlink(savePath), "a link saved over must stay a link");
    const auto messages = t.platform.Messages();

    if (!expectedMessage.empty()) {
        Check(!written, "a save the files cannot allow must fail");
        Check(messages.size() == 1 && messages[0].title == "Error" && messages[0].text == expectedMessage,
              "a failed save must show exactly one message, for the first entry that cannot be read");
        Check(t.state.ListSaved == savedBefore, "a failed save must not mark the list saved");
        Check(Same(Observe(realPath), targetBefore), "a failed save must leave the old target as it was");
        return;
    }

    Check(written && messages.empty(), "a save the files allow must succeed without a message");
    Check(t.state.ListSaved == FlagTrue, "a complete save marks the list saved");
    const FileState out = Observe(realPath);
    Check(out.kind == FileState::Kind::Plain, "the saved file must be a plain file");

    // Read it back as the program would open it.
    const HeadResult head = ReadHead(realPath);
    Check(head.status == HeadStatus::Ok, "the saved file must open");
    const int slots = head.slotCount;
    Check(slots >= count, "the saved file must have room for every entry");
    if (!(slotsChoice & 1) ||
        (layout::IsValidSlotCount(static_cast<unsigned>(rawSlots)) && count <= rawSlots))
        Check(slots == t.state.SaveSlots, "the saved file must have the slot count asked for");
    std::vector<std::string> expectedNames;
    for (const std::string& name : namesBefore)
        expectedNames.push_back(Padded(name));
    Check(layout::ListNames(head.image, slots) == expectedNames,
          "the saved file must list the destination's names in the same order");

    std::string expected(Block, '\0');
    const std::string& image = t.state.SourceImage;
    std::copy_n(image.begin(), std::min<std::size_t>(image.size(), 50), expected.begin());
    expected[50] = static_cast<char>(slots);
    for (int i = 0; i < count; ++i)
        expected.replace(1024 + 16 * static_cast<std::size_t>(i), 10,
                         expectedNames[static_cast<std::size_t>(i)]);
    for (const std::string& block : blocks)
        expected += block;
    expected.resize(Block * static_cast<std::size_t>(slots + 1), '\0');
    Check(out.bytes == expected,
          "the saved file must hold exactly the head, the copied blocks and zero blocks");
}

}  // namespace
}  // namespace skerrow::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    skerrow::fuzz::Run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
