#include "collection/voice_index.h"

#include "core/ascii.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace skerrow {

std::string_view VoiceIndex::Name(std::uint32_t voice) const
{
    const IndexedVoice& v = m_voices[voice];
    return {v.name, v.length};
}

namespace {

// The first eight bytes of name, big-endian, zeros after a shorter name: equal keys leave only
// the last two bytes and the length to compare (a name holds no zero byte).
std::uint64_t NameKey(std::string_view name)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return key;
}

// Name, then path, then slot; string_view compares bytes as unsigned, as the destination's sort
// does.
template <typename NameOf, typename PathOf, typename SlotOf>
bool InOrder(const OrderedVoice& a, const OrderedVoice& b, NameOf name, PathOf path, SlotOf slot)
{
    if (a.key != b.key)
        return a.key < b.key;
    const int byName = name(a.voice).compare(name(b.voice));
    if (byName != 0)
        return byName < 0;
    const int byPath = path(a.voice).compare(path(b.voice));
    if (byPath != 0)
        return byPath < 0;
    return slot(a.voice) < slot(b.voice) || (slot(a.voice) == slot(b.voice) && a.voice < b.voice);
}

}  // namespace

IndexBatch VoiceIndex::Prepare(std::vector<FoundFile> files)
{
    IndexBatch batch;
    for (FoundFile& found : files) {
        const auto file = static_cast<std::uint32_t>(batch.files.size());
        for (std::size_t k = 0; k < found.names.size(); ++k) {
            IndexedVoice& voice = batch.voices.emplace_back();
            const std::string& name = found.names[k];
            voice.length = static_cast<std::uint8_t>(std::min(name.size(), layout::NameSize));
            std::memcpy(voice.name, name.data(), voice.length);
            voice.slot = static_cast<std::uint8_t>(k + 1);
            voice.file = file;
            batch.order.push_back(
                {NameKey({voice.name, voice.length}), static_cast<std::uint32_t>(batch.voices.size() - 1)});
        }
        batch.files.push_back({std::move(found.path), found.slotCount});
    }
    const auto name = [&](std::uint32_t v) {
        return std::string_view(batch.voices[v].name, batch.voices[v].length);
    };
    const auto path = [&](std::uint32_t v) -> std::string_view {
        return batch.files[batch.voices[v].file].path;
    };
    const auto slot = [&](std::uint32_t v) { return batch.voices[v].slot; };
    std::sort(batch.order.begin(), batch.order.end(),
              [&](const OrderedVoice& a, const OrderedVoice& b) { return InOrder(a, b, name, path, slot); });
    return batch;
}

bool VoiceIndex::Before(const OrderedVoice& a, const OrderedVoice& b) const
{
    return InOrder(
        a, b, [this](std::uint32_t v) { return Name(v); },
        [this](std::uint32_t v) -> std::string_view { return m_files[m_voices[v].file].path; },
        [this](std::uint32_t v) { return m_voices[v].slot; });
}

void VoiceIndex::Append(IndexBatch& batch)
{
    const auto firstFile = static_cast<std::uint32_t>(m_files.size());
    for (IndexedVoice& voice : batch.voices) {
        voice.file += firstFile;
        m_voices.push_back(voice);
    }
    std::move(batch.files.begin(), batch.files.end(), std::back_inserter(m_files));
}

void VoiceIndex::Add(std::vector<IndexBatch> batches, std::vector<OrderedVoice> order)
{
    for (IndexBatch& batch : batches)
        Append(batch);
    m_byName = std::move(order);
}

void VoiceIndex::Add(IndexBatch batch)
{
    const auto firstNew = static_cast<std::uint32_t>(m_voices.size());
    Append(batch);
    // Already in order among themselves: one merge puts them among the others.
    const std::size_t oldCount = m_byName.size();
    for (OrderedVoice& ordered : batch.order) {
        ordered.voice += firstNew;
        m_byName.push_back(ordered);
    }
    std::inplace_merge(m_byName.begin(), m_byName.begin() + static_cast<std::ptrdiff_t>(oldCount),
                       m_byName.end(),
                       [this](const OrderedVoice& a, const OrderedVoice& b) { return Before(a, b); });
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
    for (IndexedVoice& voice : m_voices)
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
    for (const auto [key, v] : m_byName) {
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
    std::vector<std::uint32_t> shown;
    const auto consider = [&](std::uint32_t v) {
        if (ContainsIgnoringAsciiCase(Name(v), text))
            shown.push_back(v);
    };
    if (duplicatesOnly) {
        for (const std::uint32_t v : m_bySet)
            consider(v);
    } else {
        shown.reserve(text.empty() ? m_byName.size() : 0);
        for (const OrderedVoice& ordered : m_byName)
            consider(ordered.voice);
    }
    return shown;
}

}  // namespace skerrow
