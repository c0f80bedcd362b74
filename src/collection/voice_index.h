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

// Every voice of a scanned collection, kept small and flat so that a hundred thousand of them
// filter within a frame: a voice is its number, in the order the scan found it, and everything
// about it is read through the index. Not thread-safe: one thread owns it.
class VoiceIndex {
public:
    static constexpr std::uint32_t NoSet = ~std::uint32_t{0};

    // Adds the voices of files found after every file added so far, and keeps the order.
    void Add(std::vector<FoundFile> files);
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
    // 20 bytes a voice: the name is held here, not in a string of its own.
    struct Voice {
        char name[layout::NameSize] = {};
        std::uint8_t length = 0;
        std::uint8_t slot = 0;
        std::uint32_t file = 0;
        std::uint32_t set = NoSet;
    };
    struct File {
        std::string path;
        int slotCount = 0;
    };

    bool Before(std::uint32_t a, std::uint32_t b) const;

    std::vector<File> m_files;
    std::vector<Voice> m_voices;
    std::vector<std::uint32_t> m_byName;    // every voice, in Filter's order
    std::vector<std::uint32_t> m_bySet;     // the voices in sets, in Filter's duplicates-only order
    std::vector<std::uint32_t> m_setSizes;  // by the set's name
};

}  // namespace skerrow
