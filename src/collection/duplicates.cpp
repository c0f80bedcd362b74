#include "collection/duplicates.h"

#include "collection/parallel.h"
#include "diskimage/image_file.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <map>
#include <optional>

namespace skerrow {

namespace {

// Blocks read again at a time: bounds the memory of the comparison however many voices collide.
constexpr std::size_t VerifyBatchSize = 16384;

// The voices that share their hash with another, sorted by hash, then by index.
std::vector<std::uint32_t> Candidates(const std::vector<HashedVoice>& voices)
{
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
    return candidates;
}

// Reads the blocks of candidates[first, first + count) into blocks, one open per file: a bank
// saved twice brings sixteen candidates from each copy.
void ReadBatch(const std::vector<HashedVoice>& voices, const std::vector<std::uint32_t>& candidates,
               std::size_t first, std::size_t count, const ReadBlocks& read, std::vector<std::string>& blocks)
{
    blocks.assign(count, std::string());
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
        std::vector<int> slots;
        for (std::size_t k = runStarts[r]; k < runStarts[r + 1]; ++k)
            slots.push_back(voices[candidates[first + byFile[k]]].slot);
        std::vector<std::string> runBlocks(slots.size());
        read(fileOf(byFile[runStarts[r]]), slots, runBlocks);
        for (std::size_t k = runStarts[r]; k < runStarts[r + 1]; ++k)
            blocks[byFile[k]] = std::move(runBlocks[k - runStarts[r]]);
    });
}

}  // namespace

DuplicateSets FindDuplicateSets(const std::vector<HashedVoice>& voices, const ReadBlocks& read)
{
    const std::vector<std::uint32_t> candidates = Candidates(voices);

    // Each candidate joins the set of the first candidate under its hash with the same bytes.
    // The distinct blocks of the current hash, ordered by their bytes, are all that is kept
    // across batches.
    constexpr std::uint32_t Changed = ~std::uint32_t{0};
    std::vector<std::uint32_t> setOf(candidates.size(), Changed);
    std::map<std::string, std::uint32_t> distinct;  // block, set
    std::vector<std::string> blocks;
    for (std::size_t first = 0; first < candidates.size(); first += VerifyBatchSize) {
        const std::size_t count = std::min(VerifyBatchSize, candidates.size() - first);
        ReadBatch(voices, candidates, first, count, read, blocks);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t c = first + i;
            if (c > 0 && voices[candidates[c]].hash != voices[candidates[c - 1]].hash)
                distinct.clear();
            if (blocks[i].empty())
                continue;
            setOf[c] = distinct.try_emplace(std::move(blocks[i]), candidates[c]).first->second;
        }
    }

    DuplicateSets sets;
    sets.members.reserve(candidates.size());
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (setOf[c] == Changed)
            sets.changed.push_back(candidates[c]);
        else
            sets.members.emplace_back(setOf[c], candidates[c]);
    }
    std::sort(sets.members.begin(), sets.members.end());
    // A set of one is no duplicate.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> kept;
    kept.reserve(sets.members.size());
    for (std::size_t i = 0; i < sets.members.size();) {
        std::size_t end = i + 1;
        while (end < sets.members.size() && sets.members[end].first == sets.members[i].first)
            ++end;
        if (end - i >= 2)
            kept.insert(kept.end(), sets.members.begin() + static_cast<std::ptrdiff_t>(i),
                        sets.members.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
    sets.members = std::move(kept);
    std::sort(sets.changed.begin(), sets.changed.end());
    return sets;
}

void ReadVoiceBlocks(const std::string& path, const std::vector<int>& slots, std::vector<std::string>& blocks)
{
    const os::OpenResult opened = os::OpenForReading(path);
    diskimage::AnySourceBlocks inImage;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        std::string& block = blocks[k];
        // A voice file inside a disk image is read out of the image as it is now.
        const BlockRead read =
            opened.file ? ReadBlock([&](std::uint64_t offset, char* data, std::size_t size,
                                        int* error) { return opened.file.ReadAt(offset, data, size, error); },
                                    slots[k], block, std::nullopt)
                        : inImage.Read({{}, path, slots[k]}, block);
        if (read.failure != WriteFailure::None)
            block.clear();
    }
}

DuplicateSets FindDuplicateVoices(const std::vector<ListedFile>& files, const HashKey& key,
                                  const std::atomic<bool>& stop)
{
    std::vector<std::uint32_t> firstVoice(files.size());
    std::uint32_t count = 0;
    for (std::size_t f = 0; f < files.size(); ++f) {
        firstVoice[f] = count;
        count += static_cast<std::uint32_t>(files[f].voices);
    }
    // Hashes by voice number; a voice whose block could not be read keeps none.
    std::vector<std::optional<std::uint64_t>> hashes(count);
    ParallelFor(files.size(), [&](std::size_t f) {
        if (stop.load(std::memory_order_relaxed))
            return;
        std::vector<int> slots(static_cast<std::size_t>(files[f].voices));
        for (std::size_t k = 0; k < slots.size(); ++k)
            slots[k] = static_cast<int>(k) + 1;
        std::vector<std::string> blocks(slots.size());
        ReadVoiceBlocks(files[f].path, slots, blocks);
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            if (!blocks[k].empty())
                hashes[firstVoice[f] + k] = BlockHash(key, blocks[k]);
        }
    });
    if (stop)
        return {};

    std::vector<HashedVoice> hashed;
    std::vector<std::uint32_t> numberOf;  // of each hashed voice
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (int k = 0; k < files[f].voices; ++k) {
            const std::uint32_t voice = firstVoice[f] + static_cast<std::uint32_t>(k);
            if (hashes[voice]) {
                hashed.push_back(
                    {*hashes[voice], static_cast<std::uint32_t>(f), static_cast<std::uint8_t>(k + 1)});
                numberOf.push_back(voice);
            }
        }
    }
    DuplicateSets sets = FindDuplicateSets(
        hashed, [&](std::uint32_t file, const std::vector<int>& slots, std::vector<std::string>& blocks) {
            ReadVoiceBlocks(files[file].path, slots, blocks);
        });
    // Hashed voices are in voice order, so renumbering keeps the pairs sorted.
    for (auto& [set, voice] : sets.members) {
        set = numberOf[set];
        voice = numberOf[voice];
    }
    for (std::uint32_t& voice : sets.changed)
        voice = numberOf[voice];
    return sets;
}

}  // namespace skerrow
