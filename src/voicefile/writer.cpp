#include "voicefile/writer.h"

#include "core/paths.h"
#include "voicefile/layout.h"
#include "voicefile/temporary_name.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {

namespace detail {

namespace {

WriterIo& CurrentIo()
{
    static WriterIo io;
    return io;
}

}  // namespace

WriterIo SetWriterIo(WriterIo io)
{
    WriterIo previous = std::move(CurrentIo());
    CurrentIo() = std::move(io);
    return previous;
}

}  // namespace detail

namespace {

constexpr ProgressWindow File = ProgressWindow::File;

// Unrelated files already holding every name tried: give up rather than loop forever.
constexpr int TempNameAttempts = 100;
constexpr int MaxLinkHops = 40;

// The file a save at path really replaces, and what it looked like before.
struct Target {
    std::string realPath;            // path with every symbolic link of its last part followed
    std::optional<struct stat> old;  // the file there now, if any
};

// Follows path's own symbolic links, so that a link stays a link and the file it points to
// gets the new content. Refuses (no value) what must not be replaced: a folder or anything
// else that is not a plain file, a file none of whose write bits are set (such a file is
// protected even from a user whom the system would let replace it), and a loop of links.
std::optional<Target> ResolveTarget(const std::string& path)
{
    Target target;
    target.realPath = path;
    if (FileNameOf(path).empty())
        return std::nullopt;
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (::lstat(target.realPath.c_str(), &info) != 0)
            return target;  // nothing there yet; creating the temporary file tells the rest
        if (!S_ISLNK(info.st_mode)) {
            if (!S_ISREG(info.st_mode) || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
                return std::nullopt;
            target.old = info;
            return target;
        }
        if (hops == MaxLinkHops)
            return std::nullopt;
        std::array<char, PATH_MAX> buffer{};
        const ssize_t length = ::readlink(target.realPath.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
            return std::nullopt;
        const std::string link(buffer.data(), static_cast<std::size_t>(length));
        target.realPath = link.front() == '/' ? link : JoinPath(FolderOf(target.realPath), link);
    }
}

std::string RandomSuffix()
{
    static constexpr std::string_view Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    // Seeded again in a forked child, which would otherwise try the very names its parent tries.
    static pid_t seededFor = 0;
    static std::mt19937_64 generator;
    if (seededFor != ::getpid()) {
        seededFor = ::getpid();
        std::random_device device;
        std::seed_seq seed{
            device(), device(), static_cast<unsigned>(seededFor),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        generator.seed(seed);
    }
    std::uniform_int_distribution<std::size_t> pick(0, Alphabet.size() - 1);
    std::string suffix(temporary_name::RandomLength, ' ');
    for (char& c : suffix)
        c = Alphabet[pick(generator)];
    return suffix;
}

// The new file, written beside the one it replaces and put in its place by one rename once it
// is complete and on disk. Until then the old file is never touched, and whatever happens the
// temporary file does not outlive this object unless it was committed.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() { Discard(); }

    // Creates the temporary file exclusively (never opening one that already exists, nor
    // following a link planted under its name) with the old file's owner and permission bits,
    // or the usual ones for a new file.
    bool Create(const Target& target)
    {
        const std::string folder = FolderOf(target.realPath);
        const std::string stem = temporary_name::StemFor(FileNameOf(target.realPath));
        for (int attempt = 0; attempt < TempNameAttempts; ++attempt) {
            const std::string candidate = JoinPath(folder, stem + RandomSuffix());
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_fd = fd;
                m_path = candidate;
                break;
            }
            if (errno != EEXIST && errno != EINTR)
                return false;
        }
        if (m_fd < 0)
            return false;
        if (target.old) {
            // Ownership matters only when the user may give it away (the superuser); the bits
            // come after it because a change of owner clears the set-id bits.
            [[maybe_unused]] const int ignored = ::fchown(m_fd, target.old->st_uid, target.old->st_gid);
            if (::fchmod(m_fd, target.old->st_mode & 07777) != 0) {
                Discard();
                return false;
            }
        }
        return true;
    }

    bool Write(std::string_view bytes)
    {
        const detail::WriterIo& io = detail::CurrentIo();
        while (!bytes.empty()) {
            const ssize_t n = io.write ? io.write(m_fd, bytes.data(), bytes.size())
                                       : ::write(m_fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Flushes the file to disk and renames it over realPath. On failure the temporary file is
    // removed and realPath is as it was.
    bool Commit(const std::string& realPath)
    {
        const detail::WriterIo& io = detail::CurrentIo();
        const int synced = io.fsync ? io.fsync(m_fd) : ::fsync(m_fd);
        const int closed = ::close(m_fd);
        m_fd = -1;
        if (synced != 0 || closed != 0 || ::rename(m_path.c_str(), realPath.c_str()) != 0) {
            Discard();
            return false;
        }
        m_path.clear();
        // Makes the rename itself durable; the file is in place either way.
        const int folder = ::open(FolderOf(realPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        return true;
    }

    void Discard()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
            m_path.clear();
        }
    }

private:
    int m_fd = -1;
    std::string m_path;
};

enum class BlockRead { Ok, NotFound, ReadError };

// Reads the voice block of slot from the file at source into block.
BlockRead ReadVoiceBlock(const std::string& source, int slot, std::string& block)
{
    // Only a plain file: a source replaced by a named pipe must not hold the save (see ReadHead).
    const int fd = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return BlockRead::NotFound;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return BlockRead::NotFound;
    }
    block.assign(layout::BlockSize, '\0');
    std::size_t got = 0;
    bool failed = slot < 1;  // slot 0 would be the head, not a voice
    while (!failed && got < block.size()) {
        const auto offset = static_cast<off_t>(layout::BlockOffset(slot) + got);
        const ssize_t n = ::pread(fd, block.data() + got, block.size() - got, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed = true;
        else
            got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return failed ? BlockRead::ReadError : BlockRead::Ok;
}

// Preamble from the source open now, the slot count, the destination's names in list order.
std::string BuildHead(const Librarian& lib, int slots, int count)
{
    std::string head(layout::HeadSize, '\0');
    const std::string& image = lib.state.SourceImage;
    std::copy_n(image.begin(), std::min(image.size(), layout::PreambleSize), head.begin());
    head[layout::SlotCountOffset] = static_cast<char>(slots);
    for (int i = 0; i < count; ++i)
        head.replace(layout::EntryOffset(i), layout::EntrySize, layout::DirectoryEntry(lib.List2.Text(i)));
    return head;
}

}  // namespace

bool WriteDestinationFile(Librarian& lib, const std::string& path)
{
    Platform& platform = lib.platform;
    const int count = std::min(lib.List2.Count(), MaxDestEntries);
    // Save As sets SaveSlots for the count; a value that cannot hold the list would make a
    // file that lies about its own contents, so the format then follows from the count.
    const int slots =
        layout::IsValidSlotCount(static_cast<unsigned>(lib.state.SaveSlots)) && count <= lib.state.SaveSlots
            ? lib.state.SaveSlots
            : layout::SaveSlotsFor(count);

    auto showError = [&](const std::string& text) {
        platform.MessageBox(text, "Error", MessageIcon::Critical, MessageButtons::Ok);
        return false;
    };

    PendingFile file;
    const std::optional<Target> target = ResolveTarget(path);
    if (!target || !file.Create(*target))
        return showError("Creation error: " + path);

    auto fail = [&](const std::string& text) {
        file.Discard();
        platform.ProgressClose(File);
        return showError(text);
    };

    platform.ProgressSetValue(File, 0);
    platform.ProgressSetMaximum(File, slots);
    platform.ProgressShow(File);

    if (!file.Write(BuildHead(lib, slots, count)))
        return fail("Write error: " + path);

    std::string block;
    for (int i = 0; i < count; ++i) {
        platform.ProgressSetValue(File, i + 1);
        platform.YieldEvents();
        const DestEntry& entry = lib.state.DestEntries[static_cast<std::size_t>(i)];
        switch (ReadVoiceBlock(entry.SourcePath, entry.VoiceNumber, block)) {
        case BlockRead::Ok:
            break;
        case BlockRead::NotFound:
            return fail(entry.SourcePath + " not found.");
        case BlockRead::ReadError:
            return fail("Read error: " + entry.SourcePath);
        }
        platform.ProgressSetLabel(File, "Writing patch " + lib.List2.Text(i) + " ...");
        if (!file.Write(block))
            return fail("Write error: " + path);
    }

    const std::string zeros(layout::BlockSize, '\0');
    for (int i = count; i < slots; ++i) {
        platform.ProgressSetValue(File, i + 1);
        platform.YieldEvents();
        if (!file.Write(zeros))
            return fail("Write error: " + path);
    }

    if (!file.Commit(target->realPath))
        return fail("Write error: " + path);
    lib.state.ListSaved = FlagTrue;
    platform.ProgressClose(File);
    return true;
}

}  // namespace skerrow
