#include "cli/walk.h"

#include "core/paths.h"
#include "os/temporary_name.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace skerrow {

namespace {

WalkKind KindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return WalkKind::File;
    if (S_ISLNK(mode))
        return WalkKind::SymbolicLink;
    return WalkKind::OtherType;
}

WalkKind KindOfFile(WalkKind kind, std::string_view name)
{
    return kind == WalkKind::File && IsTemporaryFileName(name) ? WalkKind::SaveTemporary : kind;
}

}  // namespace

FileDescriptor OpenWalkedFile(const WalkItem& item, struct stat& info)
{
    if (item.folder)
        return OpenPlainFileForReadingAt(item.folder->Get(), item.name, &info);
    return OpenPlainFileForReadingAt(AT_FDCWD, item.path, &info);
}

FileDescriptor OpenLongPath(const std::string& path)
{
    FileDescriptor folder;
    int at = AT_FDCWD;
    std::size_t start = 0;
    // Folders are opened a stretch of the path at a time, each stretch shorter than PATH_MAX.
    while (path.size() - start >= PATH_MAX) {
        std::size_t cut = path.rfind('/', start + PATH_MAX - 1);
        if (cut == std::string::npos || cut < start) {
            errno = ENAMETOOLONG;
            return {};
        }
        if (cut == start && start != 0) {  // an empty part, as in "a//b"
            start = cut + 1;
            continue;
        }
        const std::string stretch = cut == 0 ? std::string("/") : path.substr(start, cut - start);
        FileDescriptor next(::openat(at, stretch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!next)
            return {};
        folder = std::move(next);
        at = folder.Get();
        start = cut + 1;
    }
    return OpenPlainFileForReadingAt(at, path.substr(start));
}

TreeWalk::TreeWalk(std::string root)
{
    struct stat info {};
    if (root.empty()) {
        m_error = ENOENT;
        return;
    }
    if (::stat(root.c_str(), &info) != 0) {
        m_error = errno;
        return;
    }
    if (!S_ISDIR(info.st_mode)) {
        const WalkKind kind = KindOfFile(KindOfMode(info.st_mode), FileNameOf(root));
        m_pending = WalkItem{root, kind, nullptr, root, 0};
        return;
    }
    FileDescriptor fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        m_pending = WalkItem{root, WalkKind::UnreadableFolder, nullptr, root, errno};
    else
        m_pending = Enter(root, std::move(fd));
}

std::optional<WalkItem> TreeWalk::Enter(const std::string& path, FileDescriptor fd)
{
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return WalkItem{path, WalkKind::UnreadableFolder, nullptr, {}, errno};
    for (const Frame& frame : m_stack) {
        if (frame.device == info.st_dev && frame.inode == info.st_ino)
            return WalkItem{path, WalkKind::FolderLoop, nullptr, {}, 0};
    }
    // The listing reads through a descriptor of its own, so that fd stays for opening entries.
    FileDescriptor listFd(::dup(fd.Get()));
    DIR* const listing = listFd ? ::fdopendir(listFd.Get()) : nullptr;
    if (!listing)
        return WalkItem{path, WalkKind::UnreadableFolder, nullptr, {}, errno};
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(listing, ::closedir);
    listFd.Release();  // the listing owns it now

    Frame frame;
    frame.prefix = path.back() == '/' ? path : path + '/';
    frame.device = info.st_dev;
    frame.inode = info.st_ino;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        Entry item;
        item.key = name;
        switch (entry->d_type) {
        case DT_DIR:
            item.folder = true;
            break;
        case DT_REG:
            item.kind = WalkKind::File;
            break;
        case DT_LNK:
            item.kind = WalkKind::SymbolicLink;
            break;
        case DT_UNKNOWN: {
            // Some file systems leave the type to a stat of its own.
            struct stat entryInfo {};
            if (::fstatat(fd.Get(), name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0)
                continue;  // gone since the listing
            item.folder = S_ISDIR(entryInfo.st_mode);
            item.kind = KindOfMode(entryInfo.st_mode);
            break;
        }
        default:
            item.kind = WalkKind::OtherType;
            break;
        }
        if (item.folder)
            item.key += '/';
        else
            item.kind = KindOfFile(item.kind, item.key);
        frame.entries.push_back(std::move(item));
        errno = 0;
    }
    if (errno != 0)
        return WalkItem{path, WalkKind::UnreadableFolder, nullptr, {}, errno};

    std::sort(frame.entries.begin(), frame.entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    frame.fd = std::make_shared<const FileDescriptor>(std::move(fd));
    m_stack.push_back(std::move(frame));
    return std::nullopt;
}

std::optional<WalkItem> TreeWalk::Next()
{
    if (m_pending)
        return std::exchange(m_pending, std::nullopt);
    while (!m_stack.empty()) {
        Frame& top = m_stack.back();
        if (top.next == top.entries.size()) {
            m_stack.pop_back();
            continue;
        }
        Entry& entry = top.entries[top.next++];
        std::string path = top.prefix + entry.key;
        if (!entry.folder)
            return WalkItem{std::move(path), entry.kind, top.fd, std::move(entry.key), 0};
        path.pop_back();
        entry.key.pop_back();
        // Below the root a folder is entered only as the listing saw it, never through a link
        // that took its place since.
        FileDescriptor fd(
            ::openat(top.fd->Get(), entry.key.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd)
            return WalkItem{std::move(path), WalkKind::UnreadableFolder, top.fd, std::move(entry.key), errno};
        if (auto problem = Enter(path, std::move(fd)))
            return problem;
    }
    return std::nullopt;
}

MultiWalk::MultiWalk(const std::vector<std::string>& roots)
{
    for (const std::string& root : roots) {
        TreeWalk walk(root);
        if (!walk.Exists()) {
            m_missing.emplace_back(root, walk.Error());
            continue;
        }
        m_walks.push_back(std::move(walk));
        Advance(m_walks.size() - 1);
    }
}

void MultiWalk::Advance(std::size_t walk)
{
    if (auto item = m_walks[walk].Next()) {
        m_heads.push_back({std::move(*item), walk});
        std::push_heap(m_heads.begin(), m_heads.end(), LaterPath{});
    }
}

std::optional<WalkItem> MultiWalk::Next()
{
    if (m_heads.empty())
        return std::nullopt;
    std::pop_heap(m_heads.begin(), m_heads.end(), LaterPath{});
    Head least = std::move(m_heads.back());
    m_heads.pop_back();
    Advance(least.walk);
    // The same path from another root (or given twice) comes once.
    while (!m_heads.empty() && m_heads.front().item.path == least.item.path) {
        std::pop_heap(m_heads.begin(), m_heads.end(), LaterPath{});
        const std::size_t walk = m_heads.back().walk;
        m_heads.pop_back();
        Advance(walk);
    }
    return std::move(least.item);
}

}  // namespace skerrow
