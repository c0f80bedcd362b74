// dupes: voices whose blocks are byte-for-byte identical, across every voice file under the paths.
//
// Two passes: the scan reads every file once and keeps a hash per voice; after a sort by hash,
// only the voices that share a hash are read again and compared byte for byte. The hash narrows
// the search, the bytes decide.
#include "cli/commands.h"

#include "cli/block_hash.h"
#include "cli/json.h"
#include "cli/scan.h"
#include "cli/usage.h"
#include "core/file_io.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cstring>

namespace skerrow {

namespace {

// One listed voice, kept small: a large library has hundreds of thousands of them.
struct Voice {
    std::uint64_t hash = 0;
    std::uint32_t file = 0;  // index into the list of voice files
    std::uint8_t slot = 0;
    std::uint8_t nameLength = 0;
    char name[layout::NameSize] = {};

    std::string_view Name() const { return {name, nameLength}; }
};

Voice MakeVoice(int slot, std::string_view name)
{
    Voice voice;
    voice.slot = static_cast<std::uint8_t>(slot);
    voice.nameLength = static_cast<std::uint8_t>(std::min(name.size(), layout::NameSize));
    std::memcpy(voice.name, name.data(), voice.nameLength);
    return voice;
}

// A file as the scan found it, with a hash for each listed voice whose block it holds.
struct HashedFile {
    ScannedFile file;
    std::vector<std::uint64_t> hashes;
};

HashedFile HashVoiceFile(const WalkItem& item)
{
    thread_local std::vector<char> buffer(layout::FileSize(layout::DirectoryEntries));
    HashedFile result{ReadWalkedFile(item, buffer.data(), true), {}};
    for (std::size_t k = 0; k < result.file.names.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        if (result.file.bytesRead < layout::FileSize(slot))
            break;
        result.hashes.push_back(
            BlockHash(std::string_view(buffer.data() + layout::BlockOffset(slot), layout::BlockSize)));
    }
    return result;
}

// Reads the blocks of voices (all of one file) as the file holds them now; a block that can no
// longer be read whole is left empty. A block changed since the scan is compared as it is now:
// whatever is reported equal is equal on disk.
void ReadBlocksAgain(const std::string& path, const std::vector<const Voice*>& voices,
                     std::vector<std::string*>& blocks)
{
    const FileDescriptor fd = OpenLongPath(path);
    for (std::size_t k = 0; k < voices.size(); ++k) {
        std::string& block = *blocks[k];
        block.resize(layout::BlockSize);
        const auto offset = static_cast<off_t>(layout::BlockOffset(voices[k]->slot));
        if (!fd || ReadAt(fd.Get(), offset, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
            block.clear();
    }
}

// Blocks missing from a file whose size is a whole number of blocks: it looks like a voice file
// cut short. Another file that only happens to have a voice file's count byte (a third of all
// bytes 1, 16 or 128 are) is told only with --verbose.
void ReportMissingBlocks(const Console& console, ScanReport& report, const WalkItem& item,
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
    report.Note(item.path, "no voice block for " + which + ", skipped", file.size % layout::BlockSize == 0);
}

// Blocks read again at a time: bounds the memory of the comparison however many voices collide.
constexpr std::size_t VerifyBatchSize = 16384;

// Writes one group of equal voices, bySet[first, end): lines with an empty line (or an empty
// record) before every group but the first, or one JSON object holding the group's voices.
void WriteGroup(const Console& console, RecordFormat format, const std::vector<std::string>& files,
                const std::vector<Voice>& voices,
                const std::vector<std::pair<std::uint32_t, std::uint32_t>>& bySet, std::size_t first,
                std::size_t end, bool firstGroup)
{
    if (format == RecordFormat::Json) {
        nlohmann::json group = nlohmann::json::array();
        for (std::size_t j = first; j < end; ++j) {
            const Voice& voice = voices[bySet[j].second];
            group.push_back(VoiceJson(files[voice.file], voice.slot, voice.Name()));
        }
        WriteJsonLine(console.out, {{"voices", group}});
        return;
    }
    if (!firstGroup)
        Write(console.out, format == RecordFormat::Null ? std::string_view("\0", 1) : "\n");
    for (std::size_t j = first; j < end; ++j) {
        const Voice& voice = voices[bySet[j].second];
        WriteVoiceRecord(console, format, files[voice.file], voice.slot, voice.Name());
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

    // Voices stay in walk order, so an index order is the output order: by path, then slot.
    std::vector<std::string> files;
    std::vector<Voice> voices;
    ScanTree<HashedFile>(walk, HashVoiceFile, [&](const WalkItem& item, const HashedFile& hashed) {
        if (!report.Accept(item, hashed.file))
            return;
        ReportMissingBlocks(console, report, item, hashed.file, hashed.hashes.size());
        if (hashed.hashes.empty())
            return;
        const auto fileIndex = static_cast<std::uint32_t>(files.size());
        files.push_back(item.path);
        for (std::size_t k = 0; k < hashed.hashes.size(); ++k) {
            Voice voice = MakeVoice(static_cast<int>(k) + 1, hashed.file.names[k]);
            voice.hash = hashed.hashes[k];
            voice.file = fileIndex;
            voices.push_back(voice);
        }
    });

    // Only voices that share their hash with another can have a twin.
    std::vector<std::uint32_t> byHash(voices.size());
    for (std::uint32_t i = 0; i < byHash.size(); ++i)
        byHash[i] = i;
    std::sort(byHash.begin(), byHash.end(), [&](std::uint32_t a, std::uint32_t b) {
        return voices[a].hash != voices[b].hash ? voices[a].hash < voices[b].hash : a < b;
    });
    std::vector<std::uint32_t> candidates;
    for (std::size_t i = 0; i < byHash.size();) {
        std::size_t end = i + 1;
        while (end < byHash.size() && voices[byHash[end]].hash == voices[byHash[i]].hash)
            ++end;
        if (end - i >= 2)
            candidates.insert(candidates.end(), byHash.begin() + static_cast<std::ptrdiff_t>(i),
                              byHash.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
    std::vector<std::uint32_t>().swap(byHash);

    // Each candidate joins the set of the first earlier candidate under its hash with the same
    // bytes. The distinct blocks of the current hash are all that is kept across batches.
    constexpr std::uint32_t Changed = ~std::uint32_t{0};
    std::vector<std::uint32_t> setOf(candidates.size(), Changed);
    std::vector<std::pair<std::string, std::uint32_t>> distinct;  // block, set
    std::vector<std::string> blocks;
    for (std::size_t first = 0; first < candidates.size(); first += VerifyBatchSize) {
        const std::size_t count = std::min(VerifyBatchSize, candidates.size() - first);
        blocks.assign(count, std::string());
        // One open per file: a bank saved twice brings sixteen candidates from each copy.
        std::vector<std::size_t> byFile(count);
        for (std::size_t i = 0; i < count; ++i)
            byFile[i] = i;
        const auto fileOf = [&](std::size_t i) { return voices[candidates[first + i]].file; };
        std::sort(byFile.begin(), byFile.end(), [&](std::size_t a, std::size_t b) {
            return fileOf(a) != fileOf(b) ? fileOf(a) < fileOf(b) : a < b;
        });
        std::vector<std::size_t> runStarts;
        for (std::size_t k = 0; k < count; ++k) {
            if (k == 0 || fileOf(byFile[k]) != fileOf(byFile[k - 1]))
                runStarts.push_back(k);
        }
        runStarts.push_back(count);
        ParallelFor(runStarts.size() - 1, [&](std::size_t r) {
            std::vector<const Voice*> run;
            std::vector<std::string*> runBlocks;
            for (std::size_t k = runStarts[r]; k < runStarts[r + 1]; ++k) {
                run.push_back(&voices[candidates[first + byFile[k]]]);
                runBlocks.push_back(&blocks[byFile[k]]);
            }
            ReadBlocksAgain(files[fileOf(byFile[runStarts[r]])], run, runBlocks);
        });
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t c = first + i;
            if (c > 0 && voices[candidates[c]].hash != voices[candidates[c - 1]].hash)
                distinct.clear();
            if (blocks[i].empty())
                continue;
            const auto same = std::find_if(distinct.begin(), distinct.end(),
                                           [&](const auto& known) { return known.first == blocks[i]; });
            if (same != distinct.end()) {
                setOf[c] = same->second;
            } else {
                setOf[c] = candidates[c];
                distinct.emplace_back(std::move(blocks[i]), candidates[c]);
            }
        }
    }

    // A voice whose file changed under the scan cannot be vouched for: it is left out.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> bySet;  // set, voice
    bySet.reserve(candidates.size());
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (setOf[c] == Changed) {
            const Voice& voice = voices[candidates[c]];
            report.Problem(files[voice.file],
                           "changed while being read for slot " + std::to_string(voice.slot) + " (" +
                               ShownOnErr(console, voice.Name(), Field::Name) + "), skipped");
        } else {
            bySet.emplace_back(setOf[c], candidates[c]);
        }
    }
    std::sort(bySet.begin(), bySet.end());

    // A set is named by its first voice in walk order, so sets sorted by name come in output order.
    bool firstGroup = true;
    for (std::size_t i = 0; i < bySet.size();) {
        std::size_t end = i + 1;
        while (end < bySet.size() && bySet[end].first == bySet[i].first)
            ++end;
        if (end - i >= 2) {
            WriteGroup(console, format, files, voices, bySet, i, end, firstGroup);
            firstGroup = false;
        }
        i = end;
    }
    return FinishOutput(console, report.ExitCode());
}

}  // namespace skerrow
