// dupes: voices whose blocks are byte-for-byte identical, across every voice file under the paths.
#include "cli/commands.h"

#include "cli/block_hash.h"
#include "cli/scan.h"
#include "cli/usage.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace skerrow {

namespace {

// One listed voice, kept small: a large library has hundreds of thousands of them.
struct Voice {
    std::uint64_t hash = 0;
    std::uint32_t file = 0;  // index into the list of paths
    std::uint8_t slot = 0;
    std::uint8_t nameLength = 0;
    char name[layout::NameSize] = {};

    std::string_view Name() const { return {name, nameLength}; }
};

struct FileVoices {
    bool voiceFile = false;
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

// Reads up to size bytes; fewer only at the end of the file or on an error.
std::size_t ReadUpTo(int fd, char* data, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// Reads the head and, only for a voice file, its listed voices' blocks, in one pass over the file.
FileVoices ScanVoiceFile(const std::string& path)
{
    thread_local std::vector<char> buffer(layout::FileSize(layout::DirectoryEntries));
    FileVoices result;
    // O_NONBLOCK: a pipe put in a file's place since the walk must not hang the scan.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return result;
    std::size_t got = ReadUpTo(fd, buffer.data(), layout::HeadSize);
    const auto slots = got == layout::HeadSize ? static_cast<unsigned char>(buffer[layout::SlotCountOffset]) : 0u;
    if (!layout::IsValidSlotCount(slots)) {
        ::close(fd);
        return result;
    }
    const std::vector<std::string> names =
        layout::ListNames(std::string_view(buffer.data(), layout::HeadSize), static_cast<int>(slots));
    const auto needed = static_cast<std::size_t>(layout::FileSize(static_cast<int>(names.size())));
    got += ReadUpTo(fd, buffer.data() + got, needed - got);
    ::close(fd);

    result.voiceFile = true;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        Voice voice = MakeVoice(slot, names[k]);
        if (got < layout::FileSize(slot)) {
            result.missing.push_back(voice);
            continue;
        }
        voice.hash = BlockHash({buffer.data() + layout::BlockOffset(slot), layout::BlockSize});
        result.voices.push_back(voice);
    }
    return result;
}

// Reads blocks again for the byte comparison, keeping the last file open since the members of a
// group often share one.
class BlockReader {
public:
    ~BlockReader() { Close(); }

    bool Read(const std::string& path, int slot, std::string& block)
    {
        if (m_fd < 0 || path != m_path) {
            Close();
            m_path = path;
            m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (m_fd < 0)
                return false;
        }
        block.resize(layout::BlockSize);
        const auto offset = static_cast<off_t>(layout::BlockOffset(slot));
        std::size_t got = 0;
        while (got < block.size()) {
            const ssize_t n = ::pread(m_fd, block.data() + got, block.size() - got, offset + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    std::string m_path;
};

struct Verified {
    std::vector<std::vector<std::uint32_t>> groups;  // each of two or more, ascending
    std::vector<std::uint32_t> unreadable;           // voices whose block vanished since the scan
};

// Splits voices of equal hash into the sets whose blocks are really equal.
Verified Verify(const std::vector<std::uint32_t>& members, const std::vector<Voice>& voices,
                const std::vector<std::string>& paths)
{
    struct Kind {
        std::string block;
        std::vector<std::uint32_t> members;
    };
    std::vector<Kind> kinds;
    Verified result;
    BlockReader reader;
    std::string block;
    for (const std::uint32_t member : members) {
        const Voice& voice = voices[member];
        if (!reader.Read(paths[voice.file], voice.slot, block)) {
            result.unreadable.push_back(member);
            continue;
        }
        const auto same = std::find_if(kinds.begin(), kinds.end(), [&](const Kind& k) { return k.block == block; });
        if (same != kinds.end())
            same->members.push_back(member);
        else
            kinds.push_back({block, {member}});
    }
    for (Kind& kind : kinds) {
        if (kind.members.size() >= 2)
            result.groups.push_back(std::move(kind.members));
    }
    return result;
}

void WarnMissingBlock(const Console& console, const std::string& path, const Voice& voice)
{
    Write(console.err, path + ": no voice block for slot " + std::to_string(voice.slot) + " (" +
                           std::string(voice.Name()) + "), skipped\n");
}

}  // namespace

int RunDupes(const Arguments& args, const Console& console)
{
    if (args.operands.empty())
        return UsageError(console, "dupes", "no PATH given");

    MultiWalk walk(args.operands);
    const bool allFound = ReportMissingRoots(console, walk);

    // Voices stay in walk order, so an index order is the output order: by path, then slot.
    std::vector<std::string> paths;
    std::vector<Voice> voices;
    ScanTree<FileVoices>(walk, ScanVoiceFile, [&](const WalkItem& item, FileVoices& file) {
        if (item.kind != WalkKind::File) {
            ReportSkippedItem(console, item, false);
            return;
        }
        for (const Voice& voice : file.missing)
            WarnMissingBlock(console, item.path, voice);
        if (file.voices.empty())
            return;
        const auto index = static_cast<std::uint32_t>(paths.size());
        paths.push_back(item.path);
        for (Voice& voice : file.voices) {
            voice.file = index;
            voices.push_back(voice);
        }
    });

    // Equal hashes make the candidates; only equal bytes make a group.
    std::vector<std::vector<std::uint32_t>> candidates;
    {
        std::vector<std::pair<std::uint64_t, std::uint32_t>> byHash(voices.size());
        for (std::uint32_t i = 0; i < voices.size(); ++i)
            byHash[i] = {voices[i].hash, i};
        std::sort(byHash.begin(), byHash.end());
        for (std::size_t i = 0; i < byHash.size();) {
            std::size_t end = i + 1;
            while (end < byHash.size() && byHash[end].first == byHash[i].first)
                ++end;
            if (end - i >= 2) {
                candidates.emplace_back();
                for (std::size_t j = i; j < end; ++j)
                    candidates.back().push_back(byHash[j].second);
            }
            i = end;
        }
    }
    std::vector<Verified> verified(candidates.size());
    ParallelFor(candidates.size(), [&](std::size_t i) { verified[i] = Verify(candidates[i], voices, paths); });

    std::vector<std::vector<std::uint32_t>> groups;
    std::vector<std::uint32_t> unreadable;
    for (Verified& result : verified) {
        for (auto& group : result.groups)
            groups.push_back(std::move(group));
        unreadable.insert(unreadable.end(), result.unreadable.begin(), result.unreadable.end());
    }
    std::sort(unreadable.begin(), unreadable.end());
    for (const std::uint32_t member : unreadable)
        WarnMissingBlock(console, paths[voices[member].file], voices[member]);
    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });

    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (g > 0)
            Write(console.out, "\n");
        for (const std::uint32_t member : groups[g]) {
            const Voice& voice = voices[member];
            WriteVoiceLine(console.out, paths[voice.file], voice.slot, voice.Name());
        }
    }
    return FinishOutput(console, allFound ? ExitOk : ExitFailure);
}

}  // namespace skerrow
