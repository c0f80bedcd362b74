// dupes: voices whose blocks are byte-for-byte identical, across every voice file under the paths.
#include "cli/commands.h"

#include "cli/json.h"
#include "cli/scan_report.h"
#include "cli/usage.h"
#include "collection/block_hash.h"
#include "collection/duplicates.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cstring>

namespace skerrow {

namespace {

// The name of a listed voice, kept small: a large library has hundreds of thousands of them.
struct VoiceName {
    std::uint8_t length = 0;
    char bytes[layout::NameSize] = {};

    explicit VoiceName(std::string_view name)
        : length(static_cast<std::uint8_t>(std::min(name.size(), layout::NameSize)))
    {
        std::memcpy(bytes, name.data(), length);
    }
    std::string_view View() const { return {bytes, length}; }
};

// A file as the scan found it, with a hash for each listed voice whose block it holds.
struct HashedFile {
    ScannedFile file;
    std::vector<std::uint64_t> hashes;
};

// Hashes the blocks of the listed voices that bytes, the file's start, holds.
HashedFile HashBlocks(const HashKey& key, ScannedFile file, const char* bytes)
{
    HashedFile result{std::move(file), {}};
    for (std::size_t k = 0; k < result.file.names.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        if (!layout::HoldsBlock(result.file.bytesRead, slot))
            break;
        result.hashes.push_back(
            BlockHash(key, std::string_view(bytes + layout::BlockOffset(slot), layout::BlockSize)));
    }
    return result;
}

HashedFile HashVoiceFile(const HashKey& key, const WalkItem& item)
{
    thread_local std::vector<char> buffer(layout::FileSize(layout::DirectoryEntries));
    return HashBlocks(key, ReadWalkedFile(item, buffer.data(), true), buffer.data());
}

// Blocks missing from a file whose size is a whole number of blocks: it looks like a voice file
// cut short. Another file that only happens to have a voice file's count byte (a third of all
// bytes 1, 16 or 128 are) is told only with --verbose.
void ReportMissingBlocks(const Console& console, ScanReport& report, const std::string& path,
                         const ScannedFile& file, std::size_t hashed)
{
    const std::size_t listed = file.names.size();
    if (hashed == listed)
        return;
    const int first = static_cast<int>(hashed) + 1;
    const int last = static_cast<int>(listed);
    const std::string which = first == last ? "slot " + std::to_string(first) + " (" +
                                                  ShownOnErr(console, file.names[hashed], Field::Name) + ")"
                                            : "slots " + std::to_string(first) + "-" + std::to_string(last);
    report.Note(path, "no voice block for " + which + ", skipped", file.size % layout::BlockSize == 0);
}

// Writes one group of equal voices, bySet[first, end): lines with an empty line (or an empty
// record) before every group but the first, or one JSON object holding the group's voices.
void WriteGroup(const Console& console, RecordFormat format, const std::vector<std::string>& files,
                const std::vector<HashedVoice>& voices, const std::vector<VoiceName>& names,
                const std::vector<std::pair<std::uint32_t, std::uint32_t>>& bySet, std::size_t first,
                std::size_t end, bool firstGroup)
{
    if (format == RecordFormat::Json) {
        nlohmann::json group = nlohmann::json::array();
        for (std::size_t j = first; j < end; ++j) {
            const std::uint32_t v = bySet[j].second;
            group.push_back(VoiceJson(files[voices[v].file], voices[v].slot, names[v].View()));
        }
        WriteJsonLine(console.out, {{"voices", group}});
        return;
    }
    if (!firstGroup)
        Write(console.out, format == RecordFormat::Null ? std::string_view("\0", 1) : "\n");
    for (std::size_t j = first; j < end; ++j) {
        const std::uint32_t v = bySet[j].second;
        WriteVoiceRecord(console, format, files[voices[v].file], voices[v].slot, names[v].View());
    }
}

// Says once for each file which of its voices changed under the scan and were left out.
void ReportChanged(const Console& console, ScanReport& report, const std::vector<std::string>& files,
                   const std::vector<HashedVoice>& voices, const std::vector<VoiceName>& names,
                   const std::vector<std::uint32_t>& changed)
{
    for (std::size_t i = 0; i < changed.size();) {
        const std::uint32_t file = voices[changed[i]].file;
        std::size_t end = i + 1;
        while (end < changed.size() && voices[changed[end]].file == file)
            ++end;
        std::string which;
        if (end - i == 1) {
            which = "slot " + std::to_string(voices[changed[i]].slot) + " (" +
                    ShownOnErr(console, names[changed[i]].View(), Field::Name) + ")";
        } else {
            which = "slots ";
            for (std::size_t k = i; k < end; ++k)
                which += (k == i ? "" : ", ") + std::to_string(voices[changed[k]].slot);
        }
        report.Problem(files[file], "changed while being read, skipped " + which);
        i = end;
    }
}

}  // namespace

int RunDupes(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "dupes", "no PATH given");

    const RecordFormat format = RecordFormatOf(args);
    MultiWalk walk(args.operands);
    ScanReport report(console, args.Has("--verbose"));
    report.MissingRoots(walk);

    // Voices stay in walk order, so an index order is the output order: by path, then slot. The
    // key is new for every run, so no file can be made to collide with another.
    const HashKey key{os::RandomKey(), os::RandomKey()};
    std::vector<std::string> files;
    std::vector<HashedVoice> voices;
    std::vector<VoiceName> names;
    const auto read = [&key](const WalkItem& item) { return HashVoiceFile(key, item); };
    const auto add = [&](const std::string& path, const HashedFile& hashed) {
        ReportMissingBlocks(console, report, path, hashed.file, hashed.hashes.size());
        if (hashed.hashes.empty())
            return;
        const auto fileIndex = static_cast<std::uint32_t>(files.size());
        files.push_back(path);
        for (std::size_t k = 0; k < hashed.hashes.size(); ++k) {
            voices.push_back({hashed.hashes[k], fileIndex, static_cast<std::uint8_t>(k + 1)});
            names.emplace_back(hashed.file.names[k]);
        }
    };
    ScanTree<HashedFile>(walk, read, [&](const WalkItem& item, const HashedFile& hashed) {
        if (hashed.file.diskImage && item.kind == WalkKind::File) {
            for (ScannedMember& member : report.AcceptImageMembers(item, true))
                add(member.path, HashBlocks(key, std::move(member.file), member.bytes.data()));
        } else if (report.Accept(item, hashed.file)) {
            add(item.path, hashed);
        }
    });

    const DuplicateSets sets = FindDuplicateSets(
        voices, [&](std::uint32_t file, const std::vector<int>& slots, std::vector<std::string>& blocks) {
            ReadVoiceBlocks(files[file], slots, blocks);
        });
    // A voice whose file changed under the scan cannot be vouched for: it is left out.
    ReportChanged(console, report, files, voices, names, sets.changed);

    bool firstGroup = true;
    const auto& bySet = sets.members;
    for (std::size_t i = 0; i < bySet.size();) {
        std::size_t end = i + 1;
        while (end < bySet.size() && bySet[end].first == bySet[i].first)
            ++end;
        WriteGroup(console, format, files, voices, names, bySet, i, end, firstGroup);
        firstGroup = false;
        i = end;
    }
    return FinishOutput(console, report.ExitCode());
}

}  // namespace skerrow
