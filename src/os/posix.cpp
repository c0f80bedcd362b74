// The POSIX body of os.h.

#include "os/os.h"

#include "os/posix_internal.h"
#include "os/system_handle.h"
#include "os/temporary_name.h"

#ifdef __linux__  // ACLs and extended attributes are copied as cp --preserve=all copies them
#include <acl/libacl.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <sys/vfs.h>
#endif

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <langinfo.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace skerrow::os {

namespace {

// Folders reached as descriptors and not as paths carry no search right of their own on Linux
// when opened O_PATH, which is all a walk of the path needs.
#ifdef O_PATH
constexpr int FolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

std::string ErrorText(int error)
{
    return error == InvalidNameError ? "Invalid name" : std::strerror(error);
}

int WriteError(int error)
{
    return error;
}

void CloseSystemHandle(std::intptr_t handle) noexcept
{
    if (handle != -1)
        ::close(static_cast<int>(handle));
}

std::int64_t File::ReadAt(std::uint64_t offset, void* data, std::size_t size, int* error) const
{
    auto* bytes = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n =
            ::pread(static_cast<int>(m_handle), bytes + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = errno;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

bool File::Refresh(FileId& id, std::uint64_t& size) const
{
    struct stat info {};
    if (::fstat(static_cast<int>(m_handle), &info) != 0)
        return false;
    id = IdOf(info);
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

OpenResult OpenForReading(const std::string& path)
{
    int error = 0;
    // Without O_NONBLOCK a named pipe would hold the open until some writer came along; for a
    // plain file the flag changes nothing.
    Fd fd = OpenPath(path, O_RDONLY | O_NONBLOCK, error);
    return CheckOpened(std::move(fd), error);
}

OpenResult CheckOpened(Fd fd, int error)
{
    OpenResult result;
    struct stat info {};
    if (!fd || ::fstat(fd.Get(), &info) != 0) {
        result.error = fd ? errno : error;
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.failure = OpenFailure::Folder;
        result.error = EISDIR;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.failure = OpenFailure::NotPlain;
        return result;
    }
    FileAccess::Adopt(result.file, std::move(fd), info);
    result.failure = OpenFailure::None;
    return result;
}

std::optional<FileId> IdentityOf(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdOf(info);
}

bool EntryExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

// ---- Replacing a file safely ----

namespace {

constexpr int MaxLinkHops = 40;
// Unrelated files already holding every name tried: give up rather than loop forever.
constexpr int TempNameAttempts = 100;

// The temporary file of the replacement under way, for a signal handler to remove. Set only once
// the exclusive create succeeded (so that a signal never removes a file someone else put at that
// name), cleared once the file is renamed or removed.
int pendingFolder = -1;
char pendingName[NAME_MAX + 1];
volatile std::sig_atomic_t pendingSet = 0;

extern "C" void RemovePendingAndEnd(int signal)
{
    if (pendingSet != 0)
        ::unlinkat(pendingFolder, pendingName, 0);
    // The handler was reset on entry and the signal is blocked until it returns: it then ends
    // the program as it would have without us.
    ::raise(signal);
}

constexpr std::array TerminationSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds off the termination signals for as long as it lives, so that creating the temporary
// file and recording it for the handler happen as one step.
class TerminationBlock {
public:
    TerminationBlock()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : TerminationSignals)
            sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &m_previous);
    }
    ~TerminationBlock() { ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    TerminationBlock(const TerminationBlock&) = delete;
    TerminationBlock& operator=(const TerminationBlock&) = delete;

private:
    sigset_t m_previous;
};

// A write past the file-size limit must fail as a full disk does, with a message and the
// temporary file removed, instead of ending the program with the file left behind.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        m_saved = ::sigaction(SIGXFSZ, &ignore, &m_previous) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (m_saved)
            ::sigaction(SIGXFSZ, &m_previous, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction m_previous {};
    bool m_saved = false;
};

std::string RandomSuffix()
{
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
    return temporary_name::RandomPart(generator);
}

// The file-creation mask, read from the system without setting it where it can be: umask() reads
// only by changing it, and another thread creating a file meanwhile would get the wrong bits.
mode_t CurrentUmask()
{
#ifdef __linux__
    const Fd status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    std::array<char, 4096> text{};
    ssize_t got = -1;
    if (status) {
        do
            got = ::read(status.Get(), text.data(), text.size() - 1);
        while (got < 0 && errno == EINTR);
    }
    const char* line = got > 0 ? std::strstr(text.data(), "\nUmask:") : nullptr;
    if (line)
        return static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8)) & 0777;
#endif
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Refusals that mean "this file system keeps no such thing" (FAT, many FUSE file systems, some
// shares): the save goes on without it, as cp does.
bool Unsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// Where a replacement lands: the folder, held open so that no link swapped into the path later
// can redirect any step, and the name in it.
struct Target {
    Fd folder;
    struct stat folderInfo {};
    std::string name;
    std::optional<struct stat> old;  // the file there now, if any
    bool notPlain = false;           // a pipe, a device or a socket is there: nothing to replace
};

// The system's rule for links in shared folders such as /tmp, which guards open() but not a walk
// of our own: in a sticky, world-writable folder only a link of the user or of the folder's owner
// is followed. Anyone else's could send the save to any file the user may write.
bool MayFollow(const struct stat& folder, const struct stat& link)
{
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool InProcessFileSystem(int folder)
{
#ifdef __linux__
    constexpr long ProcessFileSystem = 0x9FA0;  // PROC_SUPER_MAGIC
    struct statfs info {};
    return ::fstatfs(folder, &info) == 0 && static_cast<long>(info.f_type) == ProcessFileSystem;
#else
    static_cast<void>(folder);
    return false;
#endif
}

std::deque<std::string> Components(std::string_view path)
{
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool EndsInFolder(std::string_view path)
{
    return path.empty() || path.back() == '/';
}

// Resolves path one part at a time, relative to descriptors, following links by the rule above
// wherever they stand, so that the link a save follows is the one it checked. Returns the errno
// of a refusal, or 0 with target filled in (or only its notPlain set).
int ResolveTarget(const std::string& path, Target& target)
{
    if (path.empty())
        return ENOENT;
    if (EndsInFolder(path))
        return EISDIR;
    std::deque<std::string> parts = Components(path);
    Fd folder(::open(path.front() == '/' ? "/" : ".", FolderFlags));
    int hops = 0;
    while (folder) {
        struct stat folderInfo {};
        if (::fstat(folder.Get(), &folderInfo) != 0)
            return errno;
        if (parts.empty())
            return EISDIR;
        const std::string part = std::move(parts.front());
        parts.pop_front();
        const bool last = parts.empty();
        if (part == "." || part == "..") {
            if (last)
                return EISDIR;
            folder = Fd(::openat(folder.Get(), part.c_str(), FolderFlags));
            continue;
        }
        struct stat info {};
        if (::fstatat(folder.Get(), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            // Only "no such file" means a new file: a name too long, say, is refused here.
            if (!last || errno != ENOENT)
                return errno;
            target.folder = std::move(folder);  // nothing there yet: the file is created
            target.folderInfo = folderInfo;
            target.name = part;
            return 0;
        }
        if (S_ISLNK(info.st_mode)) {
            if (++hops > MaxLinkHops)
                return ELOOP;
            if (!MayFollow(folderInfo, info))
                return EACCES;
            // A link of the process file system (/proc/self/fd/N, /dev/fd/N) stands for an open
            // descriptor: its text names no file ("f.1bk (deleted)", "pipe:[7]"), and following
            // it as a path would make a new file of that name.
            if (InProcessFileSystem(folder.Get())) {
                target.notPlain = true;
                return 0;
            }
            std::array<char, PATH_MAX> buffer{};
            const ssize_t length = ::readlinkat(folder.Get(), part.c_str(), buffer.data(), buffer.size());
            if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
                return length < 0 ? errno : ENAMETOOLONG;
            const std::string_view link(buffer.data(), static_cast<std::size_t>(length));
            if (last && EndsInFolder(link))
                return EISDIR;
            std::deque<std::string> linkParts = Components(link);
            parts.insert(parts.begin(), linkParts.begin(), linkParts.end());
            if (link.front() == '/')
                folder = Fd(::open("/", FolderFlags));
            continue;
        }
        if (last) {
            if (S_ISDIR(info.st_mode))
                return EISDIR;
            if (!S_ISREG(info.st_mode)) {
                target.notPlain = true;
                return 0;
            }
            // A file none of whose write bits are set is protected even from a user whom the
            // system would let replace it.
            if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
                return EACCES;
            target.folder = std::move(folder);
            target.folderInfo = folderInfo;
            target.name = part;
            target.old = info;
            return 0;
        }
        if (!S_ISDIR(info.st_mode))
            return ENOTDIR;
        // O_NOFOLLOW: a folder swapped for a link since the check above is refused, not followed.
        folder = Fd(::openat(folder.Get(), part.c_str(), FolderFlags | O_NOFOLLOW));
    }
    return errno;
}

// What the rename will need, checked before anything is written so that the refusal comes as
// a creation error: the right to replace another user's file in a sticky folder. The superuser
// has that right, but a file another user left in a shared folder (sticky and writable by group
// or others, such as /tmp) may be a trap set for whoever saves there: replacing it would give the
// saved content to its owner, so it is refused as the kernel's protected_regular refuses to open
// it. (A name too long for its folder was refused already, when the walk looked it up.)
int CheckReplaceable(const Target& target)
{
    const uid_t user = ::geteuid();
    const mode_t folder = target.folderInfo.st_mode;
    if (!target.old || (folder & S_ISVTX) == 0 || target.old->st_uid == user)
        return 0;
    if (user != 0)
        return target.folderInfo.st_uid == user ? 0 : EPERM;
    const bool shared = (folder & (S_IWGRP | S_IWOTH)) != 0;
    return shared && target.old->st_uid != target.folderInfo.st_uid ? EPERM : 0;
}

#ifdef __linux__
// The path under which a descriptor's file can be named to calls that take no descriptor.
std::string DescriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// The access ACL a file created in folder with the ordinary mode 0666 gets from the folder's
// default ACL, as the kernel computes it for open(); none where the folder has no default ACL
// (the umask applies then).
acl_t InheritedAcl(int folder)
{
    acl_t acl = ::acl_get_file(DescriptorPath(folder).c_str(), ACL_TYPE_DEFAULT);
    if (!acl)
        return nullptr;
    if (::acl_entries(acl) <= 0) {
        ::acl_free(acl);
        return nullptr;
    }
    bool hasMask = false;
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        if (::acl_get_tag_type(entry, &tag) == 0 && tag == ACL_MASK)
            hasMask = true;
    }
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        acl_permset_t permissions;
        if (::acl_get_tag_type(entry, &tag) != 0 || ::acl_get_permset(entry, &permissions) != 0)
            continue;
        // 0666 takes the execute right from the owner, the group class and the others.
        if (tag == ACL_USER_OBJ || tag == ACL_OTHER || tag == ACL_MASK || (tag == ACL_GROUP_OBJ && !hasMask))
            ::acl_delete_perm(permissions, ACL_EXECUTE);
    }
    return acl;
}
#endif

#ifdef __linux__
// The attributes a save carries over: those cp --preserve=all carries, without a file capability,
// which grants privileges to the program it was given to, not to whatever content replaces it
// (as set-id bits are not carried either).
int CopiedAttribute(const char* name, struct error_context* context)
{
    return std::strcmp(name, "security.capability") != 0 && ::attr_copy_check_permissions(name, context);
}
#endif

class DiskReplacement final : public ReplacingFile {
public:
    DiskReplacement(std::string path, ReplaceHooks hooks, ReplaceMode mode)
        : m_path(std::move(path)), m_hooks(std::move(hooks)), m_mode(mode)
    {
    }
    DiskReplacement(const DiskReplacement&) = delete;
    DiskReplacement& operator=(const DiskReplacement&) = delete;
    ~DiskReplacement() override
    {
        m_file.Reset();
        if (!m_temporary.empty()) {
            ::unlinkat(m_target.folder.Get(), m_temporary.c_str(), 0);
            pendingSet = 0;
        }
    }

    bool Create() override
    {
        if (const int refused = ResolveTarget(m_path, m_target); refused != 0)
            return Fail(refused);
        if (m_target.notPlain)
            return false;
        if (m_mode == ReplaceMode::NewOnly && m_target.old)
            return Fail(EEXIST);
        if (const int refused = CheckReplaceable(m_target); refused != 0)
            return Fail(refused);
        if (m_target.old)
            m_replaced = IdOf(*m_target.old);
        const std::string stem = temporary_name::StemFor(m_target.name);
        for (int attempt = 0; attempt < TempNameAttempts && !m_file; ++attempt) {
            const std::string candidate =
                stem + (m_hooks.temporarySuffix ? m_hooks.temporarySuffix() : RandomSuffix());
            const TerminationBlock block;
            // Readable by the user alone while it is written; never an existing file or a link.
            m_file.Reset(::openat(m_target.folder.Get(), candidate.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (m_file) {
                m_temporary = candidate;
                RecordPending();
            } else if (errno != EEXIST && errno != EINTR) {
                return Fail(errno);
            }
        }
        if (!m_file)
            return Fail(EEXIST);
        return CarryOver();
    }

    bool Write(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            std::size_t size = bytes.size();
            if (m_hooks.write) {
                const std::int64_t allowed = m_hooks.write(size);
                if (allowed < 0)
                    return Fail(static_cast<int>(-allowed));
                size = static_cast<std::size_t>(allowed);
            }
            const ssize_t n = size == 0 ? 0 : ::write(m_file.Get(), bytes.data(), size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                return Fail(ENOSPC);
            if (n < 0)
                return Fail(errno);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    bool Commit() override
    {
        if (!SetFinalPermissions())
            return false;
        const int flush = m_hooks.flush ? m_hooks.flush() : 0;
        if (flush > 0)
            return Fail(flush);
        if ((flush == 0 && ::fsync(m_file.Get()) != 0) || m_file.Close() != 0)
            return Fail(errno);
        const int folder = m_target.folder.Get();
        if (const int failed = PutInPlace(folder); failed != 0)
            return Fail(failed);
        pendingSet = 0;
        m_temporary.clear();
        // Makes the rename itself durable; the file is in place either way. The folder is held
        // for the path walk only, which cannot flush.
        const Fd flushable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (flushable)
            ::fsync(flushable.Get());
        return true;
    }

    int Error() const override { return m_error; }
    bool NotPlain() const override { return m_target.notPlain; }
    std::optional<FileId> Replaced() const override { return m_replaced; }

private:
    bool Fail(int error)
    {
        m_error = error;
        return false;
    }

    // Renames the complete file to the target's name; a new-only file never takes the place of
    // one that appeared since Create. Returns 0 or the error number.
    int PutInPlace(int folder)
    {
        const char* from = m_temporary.c_str();
        const char* to = m_target.name.c_str();
        if (m_mode == ReplaceMode::Replace)
            return ::renameat(folder, from, folder, to) == 0 ? 0 : errno;
#if defined(__linux__) && defined(SYS_renameat2)
        constexpr unsigned NoReplace = 1;  // RENAME_NOREPLACE
        if (::syscall(SYS_renameat2, folder, from, folder, to, NoReplace) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
#endif
        // Where the file system has no such rename: a second name fails on an existing one, and
        // the temporary name is then let go.
        if (::linkat(folder, from, folder, to, 0) == 0) {
            ::unlinkat(folder, from, 0);
            return 0;
        }
        if (errno == EEXIST || !Unsupported(errno))
            return errno;
        // Neither (FAT keeps no second names): the check comes as close to the rename as it can.
        struct stat there {};
        if (::fstatat(folder, to, &there, AT_SYMLINK_NOFOLLOW) == 0)
            return EEXIST;
        return ::renameat(folder, from, folder, to) == 0 ? 0 : errno;
    }

    void RecordPending()
    {
        pendingSet = 0;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (m_temporary.size() >= sizeof pendingName)
            return;
        pendingFolder = m_target.folder.Get();
        std::memcpy(pendingName, m_temporary.c_str(), m_temporary.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        pendingSet = 1;
    }

    // Gives the new file, while still empty, the owner, group, ACL and extended attributes of the
    // file it replaces, as far as the user may, then closes it to everyone else again until it is
    // complete. Done first because copying an ACL sets the old mode bits, set-id bits included,
    // and an empty file carries no program anyone could run with them.
    bool CarryOver()
    {
        if (!m_target.old)
            return true;
        const struct stat& old = *m_target.old;
        // The owner can be given away only by the superuser; the group also by a member of it.
        if (::fchown(m_file.Get(), old.st_uid, old.st_gid) != 0)
            static_cast<void>(::fchown(m_file.Get(), static_cast<uid_t>(-1), old.st_gid));
        struct stat now {};
        m_ownerKept = ::fstat(m_file.Get(), &now) == 0 && now.st_uid == old.st_uid;

        // The old file is held while its ACL and attributes are copied, so that they are its own.
        // One the user may not read still has an ACL to carry over, read through its name.
        const Fd source(::openat(m_target.folder.Get(), m_target.name.c_str(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
#ifdef O_PATH
        const Fd named(
            source ? -1
                   : ::openat(m_target.folder.Get(), m_target.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
#else
        const Fd named(-1);
#endif
        const int held = source ? source.Get() : named.Get();
        struct stat sourceInfo {};
        if (held >= 0 && (::fstat(held, &sourceInfo) != 0 || IdOf(sourceInfo) != IdOf(old)))
            return Fail(EAGAIN);  // the file was replaced under us
#ifdef __linux__
        if (held >= 0) {
            const std::string from = DescriptorPath(held);
            const std::string to = DescriptorPath(m_file.Get());
            if (::perm_copy_file(from.c_str(), to.c_str(), nullptr) != 0 && !Unsupported(errno))
                return Fail(errno);
            // Extended attributes other than the ACL can be read only from a readable file.
            if (source &&
                ::attr_copy_fd(from.c_str(), source.Get(), to.c_str(), m_file.Get(), CopiedAttribute,
                               nullptr) != 0 &&
                !Unsupported(errno))
                return Fail(errno);
        }
#endif
        if (::fchmod(m_file.Get(), S_IRUSR | S_IWUSR) != 0 && !Unsupported(errno))
            return Fail(errno);
        return true;
    }

    // The old file's permission bits without the set-id bits (the content changed, and the new
    // owner may be the user instead of the old owner), the sticky bit only where the owner is
    // the same; for a new file, what any program creating it there would get.
    bool SetFinalPermissions()
    {
        const int refused = m_hooks.setPermissions ? m_hooks.setPermissions() : 0;
        int result = 0;
        if (refused != 0) {
            errno = refused;
            result = -1;
        } else if (m_target.old) {
            mode_t mode = m_target.old->st_mode & 0777;
            if ((m_target.old->st_mode & S_ISVTX) != 0 && m_ownerKept)
                mode |= S_ISVTX;
            result = ::fchmod(m_file.Get(), mode);
#ifdef __linux__
        } else if (acl_t inherited = InheritedAcl(m_target.folder.Get())) {
            result = ::acl_set_fd(m_file.Get(), inherited);
            ::acl_free(inherited);
#endif
        } else {
            result = ::fchmod(m_file.Get(), 0666 & ~CurrentUmask());
        }
        return result == 0 || Unsupported(errno) || Fail(errno);
    }

    std::string m_path;
    const ReplaceHooks m_hooks;
    const ReplaceMode m_mode;
    Target m_target;
    Fd m_file;
    std::string m_temporary;  // the name in the target's folder, once created
    std::optional<FileId> m_replaced;
    bool m_ownerKept = false;
    int m_error = 0;
    FileSizeSignalIgnored m_fileSizeSignal;
};

}  // namespace

std::unique_ptr<ReplacingFile> ReplaceFile(const std::string& path, const ReplaceHooks& hooks,
                                           ReplaceMode mode)
{
    return std::make_unique<DiskReplacement>(path, hooks, mode);
}

void RemoveOnTermination()
{
    for (const int signal : TerminationSignals) {
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

// ---- The program and its terminal ----

const std::string_view PathSeparators = "/";

LocalTime LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (!localtime_r(&now, &parts))
        return {};
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::string ProgramDirectory()
{
#ifdef __linux__
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
        return {};
    const std::string program(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash == 0 ? 1 : slash);
#else
    return {};
#endif
}

bool IsTerminal(Stream stream)
{
    return ::isatty(stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void PrepareConsole()
{
    // A reader that went away is a failed write the program reports, not a reason to end it.
    std::signal(SIGPIPE, SIG_IGN);
}

void RaiseOpenFileLimit()
{
    struct rlimit files {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

std::string LocaleEncoding()
{
    // The user's locale, asked for without changing the program's own.
    const locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr))
        return {};
    std::string codeset = ::nl_langinfo_l(CODESET, user);
    ::freelocale(user);
    return codeset;
}

void LowerThreadPriority()
{
#ifdef __linux__
    // On Linux a nice value belongs to the thread (the thread id names it), and threads started
    // later inherit it.
    static_cast<void>(::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10));
#endif
}

}  // namespace skerrow::os
