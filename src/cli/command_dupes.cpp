// dupes: voices whose blocks are byte-for-byte identical, across every voice file under the paths.
#include "cli/commands.h"

#include "cli/block_hash.h"
#include "cli/block_index.h"
#include "cli/scan.h"
#include "cli/usage.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace skerrow {

namespace {

// Blocks kept for comparison: enough for tens of thousands of distinct duplicated voices; a
// larger library stays correct and bounded, at the cost of reading blocks again.
constexpr std::size_t ComparisonCacheBudget = 64u << 20;

// One listed voice, kept small: a large library has hundreds of thousands of them.
struct Voice {
    VoiceKey set = 0;        // the voice standing for its set of equal blocks
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

// Reads up to size bytes from offset on; fewer only at the end of the file or on an error.
std::size_t ReadAt(int fd, char* data, std::size_t size, std::size_t offset)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// O_NONBLOCK: a pipe put in a file's place since the walk must not hang the scan.
int OpenForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

// Reads the head and, only for a voice file, its listed voices' blocks, in one pass over the
// file, and sorts each block into the index.
FileVoices ScanVoiceFile(const std::string& path, std::uint64_t ordinal, BlockIndex& index)
{
    thread_local std::vector<char> buffer(layout::FileSize(layout::DirectoryEntries));
    FileVoices result;
    const int fd = OpenForReading(path);
    if (fd < 0)
        return result;
    std::size_t got = ReadAt(fd, buffer.data(), layout::HeadSize, 0);
    const auto slots =
        got == layout::HeadSize ? static_cast<unsigned char>(buffer[layout::SlotCountOffset]) : 0u;
    if (!layout::IsValidSlotCount(slots)) {
        ::close(fd);
        return result;
    }
    const std::vector<std::string> names =
        layout::ListNames(std::string_view(buffer.data(), layout::HeadSize), static_cast<int>(slots));
    const auto needed = static_cast<std::size_t>(layout::FileSize(static_cast<int>(names.size())));
    got += ReadAt(fd, buffer.data() + got, needed - got, got);
    ::close(fd);

    for (std::size_t k = 0; k < names.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        Voice voice = MakeVoice(slot, names[k]);
        if (got < layout::FileSize(slot)) {
            result.missing.push_back(voice);
            continue;
        }
        const std::string_view block(buffer.data() + layout::BlockOffset(slot), layout::BlockSize);
        voice.set = index.Add(BlockHash(block), MakeVoiceKey(ordinal, slot), block);
        result.voices.push_back(voice);
    }
    return result;
}

// The voices a file is compared with often share one file (a bank saved twice): each thread
// keeps the last file it read again open.
class ReopenedFile {
public:
    ~ReopenedFile() { Close(); }

    int Get(std::uint64_t ordinal, const std::string& path)
    {
        if (m_fd < 0 || ordinal != m_ordinal) {
            Close();
            m_fd = OpenForReading(path);
            m_ordinal = ordinal;
        }
        return m_fd;
    }

private:
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    std::uint64_t m_ordinal = 0;
};

bool LoadBlock(std::uint64_t ordinal, const std::string& path, int slot, std::string& block)
{
    thread_local ReopenedFile file;
    const int fd = file.Get(ordinal, path);
    if (fd < 0)
        return false;
    block.resize(layout::BlockSize);
    return ReadAt(fd, block.data(), block.size(), layout::BlockOffset(slot)) == block.size();
}

void WarnSkipped(const Console& console, const std::string& path, int slot, std::string_view name,
                 const char* why)
{
    Write(console.err, path + ": " + why + " for slot " + std::to_string(slot) + " (" + std::string(name) +
                           "), skipped\n");
}

}  // namespace

int RunDupes(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "dupes", "no PATH given");

    MultiWalk walk(args.operands);
    const bool allFound = ReportMissingRoots(console, walk);

    // Every item's path by ordinal, so that a block can be read again for a comparison.
    std::deque<std::string> walked;
    BlockIndex index(
        [&](VoiceKey key, std::string& block) {
            return LoadBlock(OrdinalOf(key), walked[OrdinalOf(key)], SlotOf(key), block);
        },
        ComparisonCacheBudget);
    const auto prepare = [&](const std::vector<WalkItem>& items, std::size_t) {
        for (const WalkItem& item : items)
            walked.push_back(item.kind == WalkKind::File ? item.path : std::string());
    };
    const auto read = [&](const WalkItem& item, std::size_t ordinal) {
        return ScanVoiceFile(item.path, ordinal, index);
    };

    // Voices stay in walk order, so an index order is the output order: by path, then slot.
    std::vector<std::string> files;
    std::vector<Voice> voices;
    std::vector<VoiceKey> keys;
    ScanTree<FileVoices>(walk, prepare, read, [&](const WalkItem& item, FileVoices& file) {
        if (item.kind != WalkKind::File) {
            ReportSkippedItem(console, item, false);
            return;
        }
        for (const Voice& voice : file.missing)
            WarnSkipped(console, item.path, voice.slot, voice.Name(), "no voice block");
        if (file.voices.empty())
            return;
        const auto fileIndex = static_cast<std::uint32_t>(files.size());
        files.push_back(item.path);
        for (Voice& voice : file.voices) {
            voice.file = fileIndex;
            voices.push_back(voice);
        }
    });

    // A voice whose file changed under the scan cannot be vouched for: it is left out.
    std::vector<VoiceKey> unreadable = index.Unreadable();
    std::sort(unreadable.begin(), unreadable.end());
    std::vector<std::pair<VoiceKey, std::uint32_t>> bySet;
    bySet.reserve(voices.size());
    for (std::uint32_t i = 0; i < voices.size(); ++i)
        bySet.emplace_back(voices[i].set, i);
    std::sort(bySet.begin(), bySet.end());

    std::vector<std::vector<std::uint32_t>> groups;
    for (std::size_t i = 0; i < bySet.size();) {
        std::size_t end = i + 1;
        while (end < bySet.size() && bySet[end].first == bySet[i].first)
            ++end;
        if (end - i >= 2) {
            groups.emplace_back();
            for (std::size_t j = i; j < end; ++j)
                groups.back().push_back(bySet[j].second);
        } else if (std::binary_search(unreadable.begin(), unreadable.end(), bySet[i].first)) {
            const Voice& voice = voices[bySet[i].second];
            WarnSkipped(console, files[voice.file], voice.slot, voice.Name(), "changed while being read");
        }
        i = end;
    }
    std::sort(groups.begin(), groups.end(),
              [](const auto& a, const auto& b) { return a.front() < b.front(); });

    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (g > 0)
            Write(console.out, "\n");
        for (const std::uint32_t member : groups[g]) {
            const Voice& voice = voices[member];
            WriteVoiceLine(console.out, files[voice.file], voice.slot, voice.Name());
        }
    }
    return FinishOutput(console, allFound ? ExitOk : ExitFailure);
}

}  // namespace skerrow
