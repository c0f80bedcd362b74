#include "collection/voice_index.h"

#include "core/ascii.h"

#include <algorithm>
#include <cstring>

namespace skerrow {

std::string_view VoiceIndex::Name(std::uint32_t voice) const
{
    const Voice& v = m_voices[voice];
    return {v.name, v.length};
}

bool VoiceIndex::Before(std::uint32_t a, std::uint32_t b) const
{
    // string_view compares bytes as unsigned, as the sort of the destination does.
    const int byName = Name(a).compare(Name(b));
    if (byName != 0)
        return byName < 0;
    const Voice& va = m_voices[a];
    const Voice& vb = m_voices[b];
    if (va.file != vb.file) {
        const int byPath = m_files[va.file].path.compare(m_files[vb.file].path);
        if (byPath != 0)
            return byPath < 0;
        return va.file < vb.file;
    }
    return va.slot < vb.slot;
}

void VoiceIndex::Add(std::vector<FoundFile> files)
{
    const auto firstNew = static_cast<std::uint32_t>(m_voices.size());
    for (FoundFile& found : files) {
        const auto file = static_cast<std::uint32_t>(m_files.size());
        for (std::size_t k = 0; k < found.names.size(); ++k) {
            Voice& voice = m_voices.emplace_back();
            const std::string& name = found.names[k];
            voice.length = static_cast<std::uint8_t>(std::min(name.size(), layout::NameSize));
            std::memcpy(voice.name, name.data(), voice.length);
            voice.slot = static_cast<std::uint8_t>(k + 1);
            voice.file = file;
        }
        m_files.push_back({std::move(found.path), found.slotCount});
    }
    // The new voices sorted among themselves, then merged in: a batch costs its own sort and one
    // pass over the rest, not a sort of everything.
    const std::size_t oldCount = m_byName.size();
    for (auto v = firstNew; v < m_voices.size(); ++v)
        m_byName.push_back(v);
    const auto middle = m_byName.begin() + static_cast<std::ptrdiff_t>(oldCount);
    const auto before = [this](std::uint32_t a, std::uint32_t b) { return Before(a, b); };
    std::sort(middle, m_byName.end(), before);
    std::inplace_merge(m_byName.begin(), middle, m_byName.end(), before);
}

void VoiceIndex::Clear()
{
    *this = VoiceIndex();
}

std::size_t VoiceIndex::SetSize(std::uint32_t set) const
{
    return set < m_setSizes.size() ? m_setSizes[set] : 0;
}

void VoiceIndex::SetDuplicates(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& members)
{
    for (Voice& voice : m_voices)
        voice.set = NoSet;
    m_setSizes.assign(m_voices.size(), 0);
    for (const auto& [set, voice] : members) {
        if (set < m_voices.size() && voice < m_voices.size()) {
            m_voices[voice].set = set;
            ++m_setSizes[set];
        }
    }
    // A set's rank is where its first voice stands in name order.
    std::vector<std::uint32_t> rank(m_voices.size(), NoSet);
    std::uint32_t next = 0;
    m_bySet.clear();
    for (const std::uint32_t v : m_byName) {
        const std::uint32_t set = m_voices[v].set;
        if (set == NoSet)
            continue;
        if (rank[set] == NoSet)
            rank[set] = next++;
        m_bySet.push_back(v);
    }
    std::stable_sort(m_bySet.begin(), m_bySet.end(), [&](std::uint32_t a, std::uint32_t b) {
        return rank[m_voices[a].set] < rank[m_voices[b].set];
    });
}

std::vector<std::uint32_t> VoiceIndex::Filter(std::string_view text, bool duplicatesOnly) const
{
    const std::vector<std::uint32_t>& order = duplicatesOnly ? m_bySet : m_byName;
    if (text.empty())
        return order;
    std::vector<std::uint32_t> shown;
    for (const std::uint32_t v : order) {
        if (ContainsIgnoringAsciiCase(Name(v), text))
            shown.push_back(v);
    }
    return shown;
}

}  // namespace skerrow
