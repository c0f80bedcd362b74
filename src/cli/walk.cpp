#include "cli/walk.h"

#include "core/file_io.h"

#include <algorithm>
#include <memory>
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

}  // namespace

TreeWalk::TreeWalk(std::string root)
{
    struct stat info {};
    if (root.empty() || ::stat(root.c_str(), &info) != 0) {
        m_exists = false;
        return;
    }
    if (S_ISDIR(info.st_mode))
        m_pending = Enter(root);
    else
        m_pending = WalkItem{std::move(root), KindOfMode(info.st_mode)};
}

std::optional<WalkItem> TreeWalk::Enter(const std::string& path)
{
    // Below the root a folder is entered only as the listing saw it, never through a link
    // that took its place since.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (m_stack.empty() ? 0 : O_NOFOLLOW);
    FileDescriptor fd(::open(path.c_str(), flags));
    struct stat info {};
    if (!fd || ::fstat(fd.Get(), &info) != 0)
        return WalkItem{path, WalkKind::UnreadableFolder};
    for (const Frame& frame : m_stack) {
        if (frame.device == info.st_dev && frame.inode == info.st_ino)
            return WalkItem{path, WalkKind::FolderLoop};
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd.Get()), ::closedir);
    if (!dir)
        return WalkItem{path, WalkKind::UnreadableFolder};
    const int dirFd = fd.Release();  // the listing owns it now

    Frame frame;
    frame.prefix = path.back() == '/' ? path : path + '/';
    frame.device = info.st_dev;
    frame.inode = info.st_ino;
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
            if (::fstatat(dirFd, name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0)
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
        frame.entries.push_back(std::move(item));
    }

    std::sort(frame.entries.begin(), frame.entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
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
            return WalkItem{std::move(path), entry.kind};
        path.pop_back();
        if (auto problem = Enter(path))
            return problem;
    }
    return std::nullopt;
}

MultiWalk::MultiWalk(const std::vector<std::string>& roots)
{
    for (const std::string& root : roots) {
        TreeWalk walk(root);
        if (!walk.Exists()) {
            m_missing.push_back(root);
            continue;
        }
        m_heads.push_back(walk.Next());
        m_walks.push_back(std::move(walk));
    }
}

std::optional<WalkItem> MultiWalk::Next()
{
    std::optional<std::size_t> least;
    for (std::size_t i = 0; i < m_heads.size(); ++i) {
        if (m_heads[i] && (!least || m_heads[i]->path < m_heads[*least]->path))
            least = i;
    }
    if (!least)
        return std::nullopt;
    WalkItem item = std::move(*m_heads[*least]);
    m_heads[*least] = m_walks[*least].Next();
    for (std::size_t i = 0; i < m_heads.size(); ++i) {
        while (m_heads[i] && m_heads[i]->path == item.path)
            m_heads[i] = m_walks[i].Next();
    }
    return item;
}

}  // namespace skerrow
