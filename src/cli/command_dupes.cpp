// dupes: voices whose blocks are byte-for-byte identical, across every voice file under the paths.
//
// Two passes: the scan reads every file once and keeps a hash per voice; after a sort by hash,
// only the voices that share a hash are read again and compared byte for byte. The hash narrows
// the search, the bytes decide.
#include "cli/commands.h"

#include "cli/block_hash.h"
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

struct FileVoices {
    std::vector<Voice> voices;
    std::vector<Voice> missing;  // listed, but the file ends before their block
};

Voice MakeVoice(int slot, std::string_view name)
{
    Voice voice;
    voice.slot = static_cast<std::uint8_t>(slot);
    voice.nameLength = static_cast<std::uint8_t>(std::min(name.size(), layout::NameSize));
    std::memcpy(voice.name, name.data(), voice.nameLength);
    return voice;
}

// Reads the head and, only for a voice file, its listed voices' blocks, in one pass over the
// file, and hashes each block.
FileVoices ScanVoiceFile(const std::string& path)
{
    thread_local std::vector<char> buffer(layout::FileSize(layout::DirectoryEntries));
    FileVoices result;
    const FileDescriptor fd = OpenPlainFileForReading(path);
    if (!fd)
        return result;
    const ssize_t head = ReadAt(fd.Get(), 0, buffer.data(), layout::HeadSize);
    if (head != static_cast<ssize_t>(layout::HeadSize) ||
        !layout::IsValidSlotCount(static_cast<unsigned char>(buffer[layout::SlotCountOffset])))
        return result;
    const std::vector<std::string> names = layout::ListNames(
        std::string_view(buffer.data(), layout::HeadSize), static_cast<unsigned char>(buffer[layout::SlotCountOffset]));
    const auto needed = static_cast<std::size_t>(layout::FileSize(static_cast<int>(names.size())));
    const ssize_t rest = ReadAt(fd.Get(), head, buffer.data() + head, needed - layout::HeadSize);
    const std::size_t got = layout::HeadSize + static_cast<std::size_t>(std::max<ssize_t>(rest, 0));

    for (std::size_t k = 0; k < names.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        Voice voice = MakeVoice(slot, names[k]);
        if (got < layout::FileSize(slot)) {
            result.missing.push_back(voice);
            continue;
        }
        voice.hash = BlockHash(std::string_view(buffer.data() + layout::BlockOffset(slot), layout::BlockSize));
        result.voices.push_back(voice);
    }
    return result;
}

// Reads the blocks of voices (all of one file) as the file holds them now; a block that can no
// longer be read whole is left empty. A block changed since the scan is compared as it is now:
// whatever is reported equal is equal on disk.
void ReadBlocksAgain(const std::string& path, const std::vector<const Voice*>& voices,
                     std::vector<std::string*>& blocks)
{
    const FileDescriptor fd = OpenPlainFileForReading(path);
    for (std::size_t k = 0; k < voices.size(); ++k) {
        std::string& block = *blocks[k];
        block.resize(layout::BlockSize);
        const auto offset = static_cast<off_t>(layout::BlockOffset(voices[k]->slot));
        if (!fd || ReadAt(fd.Get(), offset, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
            block.clear();
    }
}

void WarnSkipped(const Console& console, const std::string& path, const Voice& voice, const char* why)
{
    Write(console.err, path + ": " + why + " for slot " + std::to_string(voice.slot) + " (" +
                           std::string(voice.Name()) + "), skipped\n");
}

// Blocks read again at a time: bounds the memory of the comparison however many voices collide.
constexpr std::size_t VerifyBatchSize = 16384;

}  // namespace

int RunDupes(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "dupes", "no PATH given");

    MultiWalk walk(args.operands);
    const bool allFound = ReportMissingRoots(console, walk);

    // Voices stay in walk order, so an index order is the output order: by path, then slot.
    std::vector<std::string> files;
    std::vector<Voice> voices;
    const auto nothingToPrepare = [](const std::vector<WalkItem>&, std::size_t) {};
    const auto read = [](const WalkItem& item, std::size_t) { return ScanVoiceFile(item.path); };
    ScanTree<FileVoices>(walk, nothingToPrepare, read, [&](const WalkItem& item, FileVoices& file) {
        if (item.kind != WalkKind::File) {
            ReportSkippedItem(console, item, false);
            return;
        }
        for (const Voice& voice : file.missing)
            WarnSkipped(console, item.path, voice, "no voice block");
        if (file.voices.empty())
            return;
        const auto fileIndex = static_cast<std::uint32_t>(files.size());
        files.push_back(item.path);
        for (Voice& voice : file.voices) {
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
            WarnSkipped(console, files[voice.file], voice, "changed while being read");
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
            if (!firstGroup)
                Write(console.out, "\n");
            firstGroup = false;
            for (std::size_t j = i; j < end; ++j) {
                const Voice& voice = voices[bySet[j].second];
                WriteVoiceLine(console.out, files[voice.file], voice.slot, voice.Name());
            }
        }
        i = end;
    }
    return FinishOutput(console, allFound ? ExitOk : ExitFailure);
}

}  // namespace skerrow
