#pragma once

#include "voicefile/layout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skerrow {

// A voice file a scan found, as the index takes it: its path (leading into a disk image for a
// member), its slot count and the names it lists.
struct FoundFile {
    std::string path;
    int slotCount = 0;
    std::vector<std::string> names;
};

// Voices in order by name: the first eight bytes of the name, as one number that orders as the
// bytes do, settle most comparisons without a look at the voice itself.
struct OrderedVoice {
    std::uint64_t key = 0;
    std::uint32_t voice = 0;
};

// A voice as an index keeps it, in 20 bytes: the name is held here, not in a string of its own.
struct IndexedVoice {
    char name[layout::NameSize] = {};
    std::uint8_t length = 0;
    std::uint8_t slot = 0;
    std::uint32_t file = 0;
    std::uint32_t set = ~std::uint32_t{0};
};

// Found files made ready to be added to an index, so that the costly part (putting their voices
// in order among themselves) is done on another thread than the index's. Voices and files are
// numbered from 0 within the batch, the first file's voices first.
struct IndexBatch {
    struct File {
        std::string path;
        int slotCount = 0;
    };
    std::vector<File> files;
    std::vector<IndexedVoice> voices;
    std::vector<OrderedVoice> order;
};

// Every voice of a scanned collection, kept small and flat so that a hundred thousand of them
// filter within a frame: a voice is its number, in the order the scan found it, and everything
// about it is read through the index. Not thread-safe: one thread owns it.
class VoiceIndex {
public:
    static constexpr std::uint32_t NoSet = ~std::uint32_t{0};

    // Orders the voices of files among themselves; any thread may call it.
    static IndexBatch Prepare(std::vector<FoundFile> files);

    // Adds the voices of files found after every file added so far, and keeps the order: a batch
    // costs one pass over the voices already there.
    void Add(IndexBatch batch);
    void Add(std::vector<FoundFile> files) { Add(Prepare(std::move(files))); }
    // Adds batches, found in turn after every file added so far, with order as the order of all
    // the voices then held: what Order() of another index gives once it has had the same batches
    // added. So the merges can be done on another thread, and this index only takes the result.
    void Add(std::vector<IndexBatch> batches, std::vector<OrderedVoice> order);
    // Every voice, in the order Filter shows them without duplicatesOnly.
    const std::vector<OrderedVoice>& Order() const { return m_byName; }
    void Clear();

    std::size_t VoiceCount() const { return m_voices.size(); }
    std::size_t FileCount() const { return m_files.size(); }

    std::string_view Name(std::uint32_t voice) const;
    std::uint32_t FileOf(std::uint32_t voice) const { return m_voices[voice].file; }
    int Slot(std::uint32_t voice) const { return m_voices[voice].slot; }
    const std::string& Path(std::uint32_t file) const { return m_files[file].path; }
    int Slots(std::uint32_t file) const { return m_files[file].slotCount; }
    // The set of voices whose blocks are equal to this one's, or NoSet.
    std::uint32_t SetOf(std::uint32_t voice) const { return m_voices[voice].set; }
    // How many voices share the set.
    std::size_t SetSize(std::uint32_t set) const;

    // Marks the sets of equal voices: (set, voice) pairs, a set named by one of its voices, as
    // FindDuplicateSets gives them. Replaces any sets marked before.
    void SetDuplicates(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& members);

    // The voices whose name contains text, ASCII letters compared ignoring case and every other
    // byte exactly: in name order (bytes as unsigned), then path order, then slot. With
    // duplicatesOnly only voices in a set, set by set, the sets in the order of their first voice
    // and the voices of a set in that same order.
    std::vector<std::uint32_t> Filter(std::string_view text, bool duplicatesOnly) const;

private:
    void Append(IndexBatch& batch);
    bool Before(const OrderedVoice& a, const OrderedVoice& b) const;

    std::vector<IndexBatch::File> m_files;
    std::vector<IndexedVoice> m_voices;
    std::vector<OrderedVoice> m_byName;     // every voice, in Filter's order
    std::vector<std::uint32_t> m_bySet;     // the voices in sets, in Filter's duplicates-only order
    std::vector<std::uint32_t> m_setSizes;  // by the set's name
};

}  // namespace skerrow
