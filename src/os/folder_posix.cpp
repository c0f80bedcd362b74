#include "os/folder.h"

#include "os/posix_internal.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow::os {

namespace {

EntryType TypeOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryType::File;
    if (S_ISDIR(mode))
        return EntryType::Folder;
    if (S_ISLNK(mode))
        return EntryType::Link;
    return EntryType::Other;
}

// Without O_NONBLOCK a named pipe put in a file's place would hold the open until a writer came.
constexpr int FileFlags = O_RDONLY | O_NONBLOCK;
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY;
// Enough to look at what stands at a path: Linux needs no right to read it for that.
#ifdef __linux__
constexpr int LookFlags = O_PATH;
#else
constexpr int LookFlags = O_RDONLY | O_NONBLOCK;
#endif

}  // namespace

struct FolderAccess {
    // The folder open at fd, or an empty one with error set.
    static Folder Adopt(Fd fd, int& error)
    {
        Folder folder;
        struct stat info {};
        if (!fd)
            return folder;
        if (::fstat(fd.Get(), &info) != 0) {
            error = errno;
            return folder;
        }
        folder.m_id = IdOf(info);
        folder.m_handle = fd.Release();
        return folder;
    }
    static int Get(const Folder& folder) { return static_cast<int>(folder.m_handle); }
};

// Opens path with flags, a stretch of folders shorter than PATH_MAX at a time where the whole
// is longer than the system takes at once. Returns an empty descriptor with error set.
Fd OpenPath(const std::string& path, int flags, int& error)
{
    Fd folder;
    int at = AT_FDCWD;
    std::size_t start = 0;
    while (path.size() - start >= PATH_MAX) {
        const std::size_t cut = path.rfind('/', start + PATH_MAX - 1);
        if (cut == std::string::npos || cut < start) {
            error = ENAMETOOLONG;
            return {};
        }
        if (cut == start && start != 0) {  // an empty part, as in "a//b"
            start = cut + 1;
            continue;
        }
        const std::string stretch = cut == 0 ? std::string("/") : path.substr(start, cut - start);
        Fd next(::openat(at, stretch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!next) {
            error = errno;
            return {};
        }
        folder = std::move(next);
        at = folder.Get();
        start = cut + 1;
    }
    Fd fd(::openat(at, path.c_str() + start, flags | O_CLOEXEC));
    if (!fd)
        error = errno;
    return fd;
}

Folder Folder::Open(const std::string& path, int& error)
{
    return FolderAccess::Adopt(OpenPath(path, FolderFlags, error), error);
}

Folder Folder::OpenChild(std::string_view name, int& error) const
{
    const std::string text(name);
    Fd fd(::openat(FolderAccess::Get(*this), text.c_str(), FolderFlags | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        error = errno;
    return FolderAccess::Adopt(std::move(fd), error);
}

Folder Folder::OpenParent(int& error) const
{
    Fd fd(::openat(FolderAccess::Get(*this), "..", FolderFlags | O_CLOEXEC));
    if (!fd)
        error = errno;
    return FolderAccess::Adopt(std::move(fd), error);
}

bool Folder::List(std::vector<FolderEntry>& entries, int& error) const
{
    // The listing reads through a descriptor of its own, which it closes when done. A copy, not
    // an open of ".": a folder that can be listed but not entered still lists.
    Fd listFd(::fcntl(FolderAccess::Get(*this), F_DUPFD_CLOEXEC, 0));
    DIR* const listing = listFd ? ::fdopendir(listFd.Get()) : nullptr;
    if (!listing) {
        error = errno;
        return false;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(listing, ::closedir);
    listFd.Release();
    while (true) {
        // readdir says "the end" and "failed" alike but for errno, which anything else may set.
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno == 0)
                return true;
            error = errno;
            return false;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        FolderEntry item{name, EntryType::Other};
        switch (entry->d_type) {
        case DT_DIR:
            item.type = EntryType::Folder;
            break;
        case DT_REG:
            item.type = EntryType::File;
            break;
        case DT_LNK:
            item.type = EntryType::Link;
            break;
        case DT_UNKNOWN: {
            // Some file systems leave the type to a stat of its own.
            struct stat info {};
            if (::fstatat(FolderAccess::Get(*this), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue;                 // gone since the listing
                item.type = EntryType::File;  // let the open say why it cannot be read
                break;
            }
            item.type = TypeOfMode(info.st_mode);
            break;
        }
        default:
            break;
        }
        entries.push_back(std::move(item));
    }
}

bool Folder::CanEnter(int& error) const
{
    // Reaching "." inside the folder needs the same search right as reaching any name in it.
    struct stat info {};
    if (::fstatat(FolderAccess::Get(*this), ".", &info, 0) == 0)
        return true;
    error = errno;
    return false;
}

OpenResult Folder::OpenFile(std::string_view name) const
{
    const std::string text(name);
    Fd fd(::openat(FolderAccess::Get(*this), text.c_str(), FileFlags | O_CLOEXEC));
    return CheckOpened(std::move(fd), errno);
}

std::optional<EntryType> TypeOf(const std::string& path, int& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return TypeOfMode(info.st_mode);
    if (errno != ENAMETOOLONG) {
        error = errno;
        return std::nullopt;
    }
    Fd fd = OpenPath(path, LookFlags, error);
    if (!fd || ::fstat(fd.Get(), &info) != 0) {
        if (fd)
            error = errno;
        return std::nullopt;
    }
    return TypeOfMode(info.st_mode);
}

std::uint64_t RandomKey()
{
    std::uint64_t key = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&key);
#ifdef __linux__
    std::size_t got = 0;
    while (got < sizeof key) {
        const ssize_t n = ::getrandom(bytes + got, sizeof key - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            break;
    }
#else
    // macOS's call (the BSDs have it too): up to 256 bytes at once, never short.
    static_cast<void>(::getentropy(bytes, sizeof key));
#endif
    return key;
}

}  // namespace skerrow::os
