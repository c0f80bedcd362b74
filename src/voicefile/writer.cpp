#include "voicefile/writer.h"

#include "core/file_io.h"
#include "core/paths.h"
#include "voicefile/layout.h"
#include "os/temporary_name.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {

namespace {

// Unrelated files already holding every name tried: give up rather than loop forever.
constexpr int TempNameAttempts = 100;
constexpr int MaxLinkHops = 40;

// The file a save at path really replaces, and what it looked like before.
struct Target {
    std::string realPath;            // path with every symbolic link of its last part followed
    std::optional<struct stat> old;  // the file there now, if any
};

std::optional<Target> Refuse(int error)
{
    errno = error;
    return std::nullopt;
}

// The system's rule for links in shared folders such as /tmp, which guards open() but not a walk
// of our own: in a sticky, world-writable folder only a link of the saving user or of the
// folder's owner is followed. Anyone else's could send the save to any file the user may write.
bool MayFollow(const std::string& link, const struct stat& info)
{
    struct stat folder {};
    if (::stat(FolderOf(link).c_str(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || info.st_uid == ::geteuid() || info.st_uid == folder.st_uid;
}

// Follows path's own symbolic links, so that a link stays a link and the file it points to
// gets the new content (or is created, for a link to no file yet). Refuses (no value) what must
// not be replaced: a folder or anything else that is not a plain file, a file none of whose
// write bits are set (such a file is protected even from a user whom the system would let
// replace it), a loop of links, and a link that the rule above does not let us follow.
std::optional<Target> ResolveTarget(const std::string& path)
{
    Target target;
    target.realPath = path;
    if (FileNameOf(path).empty())
        return Refuse(EISDIR);
    for (int hops = 0;; ++hops) {
        struct stat info {};
        if (::lstat(target.realPath.c_str(), &info) != 0)
            return target;  // nothing there yet; creating the temporary file tells the rest
        if (!S_ISLNK(info.st_mode)) {
            if (!S_ISREG(info.st_mode))
                return Refuse(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
            if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
                return Refuse(EACCES);
            target.old = info;
            return target;
        }
        if (hops == MaxLinkHops)
            return Refuse(ELOOP);
        if (!MayFollow(target.realPath, info))
            return Refuse(EACCES);
        std::array<char, PATH_MAX> buffer{};
        const ssize_t length = ::readlink(target.realPath.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
            return Refuse(length < 0 ? errno : ENAMETOOLONG);
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

// The temporary file of the write under way, for a signal handler to remove: the name is
// written only while pendingSet is 0, and set before the file is created, cleared once the file
// is renamed or removed.
char pendingName[PATH_MAX];
volatile std::sig_atomic_t pendingSet = 0;

void SetPending(const std::string& path)
{
    pendingSet = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (path.size() >= sizeof pendingName)
        return;
    std::memcpy(pendingName, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    pendingSet = 1;
}

extern "C" void RemovePendingAndEnd(int signal)
{
    if (pendingSet != 0)
        ::unlink(pendingName);
    // The handler was reset on entry and the signal is blocked until it returns: it then ends
    // the program as it would have without us.
    ::raise(signal);
}

// The file-creation mask, read from the system without setting it where it can be: umask() reads
// only by changing it, and another thread creating a file meanwhile would get the wrong bits.
mode_t CurrentUmask()
{
    const FileDescriptor status = OpenPlainFileForReading("/proc/self/status");
    std::array<char, 4096> text{};
    const ssize_t got = status ? ReadAt(status.Get(), 0, text.data(), text.size() - 1) : -1;
    const char* line = got > 0 ? std::strstr(text.data(), "\nUmask:") : nullptr;
    if (line)
        return static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8)) & 0777;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The new file, written beside the one it replaces and put in its place by one rename once it
// is complete and on disk. Until then the old file is never touched, and whatever happens the
// temporary file does not outlive this object unless it was committed.
class PendingFile {
public:
    explicit PendingFile(const WriterIo& io) : m_io(io) {}
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile()
    {
        m_fd.Reset();
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
            pendingSet = 0;
        }
    }

    // Creates the temporary file exclusively (never opening one that already exists, nor
    // following a link planted under its name), readable by the user alone while it is written.
    bool Create(const Target& target)
    {
        const std::string folder = FolderOf(target.realPath);
        const std::string stem = temporary_name::StemFor(FileNameOf(target.realPath));
        for (int attempt = 0; attempt < TempNameAttempts && !m_fd; ++attempt) {
            const std::string candidate =
                JoinPath(folder, stem + (m_io.temporarySuffix ? m_io.temporarySuffix() : RandomSuffix()));
            SetPending(candidate);
            m_fd.Reset(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (m_fd) {
                m_path = candidate;
                continue;
            }
            pendingSet = 0;
            if (errno != EEXIST && errno != EINTR)
                return false;
        }
        return static_cast<bool>(m_fd);
    }

    bool Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t n = m_io.write ? m_io.write(m_fd.Get(), bytes.data(), bytes.size())
                                         : ::write(m_fd.Get(), bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                errno = ENOSPC;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Gives the file the old one's owner and permission bits (or the usual ones for a new file),
    // flushes it to disk and renames it over the target. On failure the temporary file is
    // removed (with this object) and the target is as it was.
    bool Commit(const Target& target)
    {
        mode_t mode = 0666 & ~CurrentUmask();
        if (target.old) {
            // Ownership matters only when the user may give it away (the superuser); the bits
            // come after it because a change of owner clears the set-id bits.
            [[maybe_unused]] const int ignored = ::fchown(m_fd.Get(), target.old->st_uid, target.old->st_gid);
            mode = target.old->st_mode & 07777;
        }
        // Some file systems (FAT, some network shares) refuse bits other than their own. A file
        // replaced there must not quietly lose its permissions: better no save. A new file keeps
        // the bits the file system gave it, as it would for any program creating it there.
        if ((m_io.fchmod ? m_io.fchmod(m_fd.Get(), mode) : ::fchmod(m_fd.Get(), mode)) != 0 && target.old)
            return false;
        const int synced = m_io.fsync ? m_io.fsync(m_fd.Get()) : ::fsync(m_fd.Get());
        if (synced != 0 || m_fd.Close() != 0 || ::rename(m_path.c_str(), target.realPath.c_str()) != 0)
            return false;
        pendingSet = 0;
        m_path.clear();
        // Makes the rename itself durable; the file is in place either way.
        const FileDescriptor folder(
            ::open(FolderOf(target.realPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder)
            ::fsync(folder.Get());
        return true;
    }

private:
    const WriterIo& m_io;
    FileDescriptor m_fd;
    std::string m_path;
};

// Reads the voice block of slot from the file at source into block, and tells which file that is.
WriteFailure ReadVoiceBlock(const std::string& source, int slot, std::string& block, FileIdentity& identity)
{
    // Only a plain file: a source replaced by a named pipe must not hold the save.
    const FileDescriptor fd = OpenPlainFileForReading(source, &identity);
    if (!fd)
        return WriteFailure::SourceNotFound;
    block.assign(layout::BlockSize, '\0');
    errno = 0;
    const bool read = slot >= 1 &&  // slot 0 would be the head, not a voice
                      ReadAt(fd.Get(), static_cast<off_t>(layout::BlockOffset(slot)), block.data(),
                             block.size()) == static_cast<ssize_t>(block.size());
    return read ? WriteFailure::None : WriteFailure::SourceRead;
}

// The preamble, the slot count, the entries' names in file order.
std::string BuildHead(const VoiceFileContents& what)
{
    std::string head(layout::HeadSize, '\0');
    head.replace(0, std::min(what.preamble.size(), layout::PreambleSize), what.preamble, 0,
                 layout::PreambleSize);
    head[layout::SlotCountOffset] = static_cast<char>(what.slotCount);
    for (std::size_t i = 0; i < what.entries.size(); ++i)
        head.replace(layout::EntryOffset(static_cast<int>(i)), layout::EntrySize,
                     layout::DirectoryEntry(what.entries[i].name));
    return head;
}

}  // namespace

WriteResult WriteVoiceFile(const VoiceFileContents& what, const std::string& path, WriteProgress& progress,
                           const WriterIo& io)
{
    const auto failed = [](WriteFailure failure, const std::string& at) {
        return WriteResult{failure, at, errno, std::nullopt, {}};
    };
    // A file whose count cannot hold its entries would lie about its own contents.
    if (!layout::IsValidSlotCount(static_cast<unsigned>(what.slotCount)) ||
        what.entries.size() > static_cast<std::size_t>(what.slotCount)) {
        errno = EINVAL;
        return failed(WriteFailure::Creation, path);
    }

    PendingFile file(io);
    const std::optional<Target> target = ResolveTarget(path);
    if (!target || !file.Create(*target))
        return failed(WriteFailure::Creation, path);

    progress.Started(what.slotCount);
    if (!file.Write(BuildHead(what)))
        return failed(WriteFailure::Write, path);

    WriteResult done;
    if (target->old)
        done.replaced = FileIdentity{target->old->st_dev, target->old->st_ino};
    std::string block;
    for (std::size_t i = 0; i < what.entries.size(); ++i) {
        const VoiceFileEntry& entry = what.entries[i];
        progress.SlotStarted(static_cast<int>(i) + 1);
        FileIdentity source;
        if (const WriteFailure failure = ReadVoiceBlock(entry.sourcePath, entry.slot, block, source);
            failure != WriteFailure::None)
            return failed(failure, entry.sourcePath);
        if (source == done.replaced)
            done.entriesFromReplaced.push_back(i);
        progress.VoiceRead(entry.name);
        if (!file.Write(block))
            return failed(WriteFailure::Write, path);
    }

    const std::string zeros(layout::BlockSize, '\0');
    for (int slot = static_cast<int>(what.entries.size()) + 1; slot <= what.slotCount; ++slot) {
        progress.SlotStarted(slot);
        if (!file.Write(zeros))
            return failed(WriteFailure::Write, path);
    }

    if (!file.Commit(*target))
        return failed(WriteFailure::Write, path);
    return done;
}

void RemoveUnfinishedFileOnTermination()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = RemovePendingAndEnd;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace skerrow
