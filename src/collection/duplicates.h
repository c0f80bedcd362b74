#pragma once

#include "collection/block_hash.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace skerrow {

// A listed voice as the scan found it: the BlockHash of its block (one key for all), and where
// it lies. Kept small: a large library has hundreds of thousands of them.
struct HashedVoice {
    std::uint64_t hash = 0;
    std::uint32_t file = 0;  // an index the caller gives meaning to
    std::uint8_t slot = 0;
};

// Fills blocks[k] with the block of slots[k] as file holds it now, or leaves it empty when it
// can no longer be read whole.
using ReadBlocks =
    std::function<void(std::uint32_t file, const std::vector<int>& slots, std::vector<std::string>& blocks)>;

// The voices whose blocks are byte for byte equal as the files hold them now.
struct DuplicateSets {
    // (set, voice) pairs sorted, for every voice of a set of two or more; a set is named by its
    // first voice, so with voices in output order the sets come in output order too.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> members;
    // Voices that shared a hash but whose blocks could not be read again: their files changed.
    std::vector<std::uint32_t> changed;
};

// Reads again only the voices that share their hash with another, at most a bounded number of
// blocks at a time and each file once per batch, and sorts each group of equal hashes by bytes,
// so that even blocks made to collide cost a logarithm each, not a comparison with every other.
DuplicateSets FindDuplicateSets(const std::vector<HashedVoice>& voices, const ReadBlocks& read);

// Fills blocks[k] with the block of slots[k] of the voice file at path, which may lead into a disk
// image, as it holds it now, or leaves it empty when that can no longer be read whole.
void ReadVoiceBlocks(const std::string& path, const std::vector<int>& slots,
                     std::vector<std::string>& blocks);

// A voice file a scan listed, with the number of voices it listed.
struct ListedFile {
    std::string path;
    int voices = 0;
};

// The sets of equal voices among the listed ones, numbered in order across files (the first file's
// voices first), read from the files as they are now. A voice whose block cannot be read is in no
// set. Stops early, with no sets, once stop is set.
DuplicateSets FindDuplicateVoices(const std::vector<ListedFile>& files, const HashKey& key,
                                  const std::atomic<bool>& stop);

}  // namespace skerrow
