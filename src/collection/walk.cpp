#include "collection/walk.h"

#include "core/paths.h"
#include "os/temporary_name.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace skerrow {

namespace {

WalkKind KindOfType(os::EntryType type)
{
    switch (type) {
    case os::EntryType::File:
        return WalkKind::File;
    case os::EntryType::Link:
        return WalkKind::SymbolicLink;
    case os::EntryType::Folder:
    case os::EntryType::Other:
        break;
    }
    return WalkKind::OtherType;
}

}  // namespace

os::OpenResult OpenWalkedFile(const WalkItem& item)
{
    if (item.folder)
        return item.folder->OpenFile(item.name);
    return os::OpenForReading(item.path);
}

TreeWalk::TreeWalk(std::string root) : m_root(std::move(root)), m_separator(SeparatorFor(m_root))
{
    if (m_root.empty()) {
        m_error = ENOENT;
        return;
    }
    const auto type = os::TypeOf(m_root, m_error);
    if (!type)
        return;
    // What the user named is always considered, whatever its name looks like.
    if (*type != os::EntryType::Folder)
        m_pending = WalkItem{m_root, KindOfType(*type), nullptr, m_root, 0};
}

std::optional<WalkItem> TreeWalk::Enter(const std::string& path, os::Folder folder)
{
    for (const Frame& frame : m_stack) {
        if (frame.id == folder.Id())
            return WalkItem{path, WalkKind::FolderLoop, nullptr, {}, 0};
    }
    std::vector<os::FolderEntry> listed;
    int error = 0;
    if (!folder.List(listed, error))
        return WalkItem{path, WalkKind::UnreadableFolder, nullptr, {}, error};
    if (!listed.empty() && !folder.CanEnter(error))
        return WalkItem{path, WalkKind::UnenterableFolder, nullptr, {}, error};

    Frame frame;
    frame.path = path;
    frame.prefix = JoinPath(path, {});
    frame.id = folder.Id();
    frame.entries.reserve(listed.size());
    for (os::FolderEntry& entry : listed) {
        Entry item;
        item.key = std::move(entry.name);
        item.folder = entry.type == os::EntryType::Folder;
        item.kind = KindOfType(entry.type);
        if (item.folder)
            item.key += m_separator;
        else if (item.kind == WalkKind::File && IsTemporaryFileName(item.key))
            item.kind = WalkKind::SaveTemporary;
        frame.entries.push_back(std::move(item));
    }
    std::sort(frame.entries.begin(), frame.entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    // Only the deepest folder stays open: the one above is reached again through "..".
    if (!m_stack.empty())
        m_stack.back().open.reset();
    frame.open = std::make_shared<const os::Folder>(std::move(folder));
    m_stack.push_back(std::move(frame));
    return std::nullopt;
}

std::shared_ptr<const os::Folder> TreeWalk::Deepest(int& error)
{
    Frame& top = m_stack.back();
    if (top.open)
        return top.open;
    // By its path again, checked to be the folder listed: one moved or replaced meanwhile is not
    // walked under another's path.
    os::Folder folder = os::Folder::Open(top.path, error);
    if (!folder)
        return nullptr;
    if (folder.Id() != top.id) {
        error = ENOENT;
        return nullptr;
    }
    top.open = std::make_shared<const os::Folder>(std::move(folder));
    return top.open;
}

void TreeWalk::Suspend()
{
    for (Frame& frame : m_stack)
        frame.open.reset();
}

std::optional<WalkItem> TreeWalk::Next()
{
    if (m_pending)
        return std::exchange(m_pending, std::nullopt);
    if (!m_started && m_error == 0) {
        m_started = true;
        int error = 0;
        os::Folder root = os::Folder::Open(m_root, error);
        if (!root)
            return WalkItem{m_root, WalkKind::UnreadableFolder, nullptr, m_root, error};
        if (auto problem = Enter(m_root, std::move(root)))
            return problem;
    }
    while (!m_stack.empty()) {
        Frame& top = m_stack.back();
        if (top.next == top.entries.size()) {
            std::shared_ptr<const os::Folder> child = std::move(top.open);
            m_stack.pop_back();
            if (child && !m_stack.empty() && m_stack.back().next < m_stack.back().entries.size()) {
                int error = 0;
                os::Folder parent = child->OpenParent(error);
                if (parent && parent.Id() == m_stack.back().id)
                    m_stack.back().open = std::make_shared<const os::Folder>(std::move(parent));
            }
            continue;
        }
        int error = 0;
        const std::shared_ptr<const os::Folder> folder = Deepest(error);
        if (!folder) {
            top.next = top.entries.size();
            return WalkItem{top.path, WalkKind::UnreadableFolder, nullptr, {}, error};
        }
        Entry& entry = top.entries[top.next++];
        std::string path = top.prefix + entry.key;
        if (!entry.folder)
            return WalkItem{std::move(path), entry.kind, folder, std::move(entry.key), 0};
        path.pop_back();
        entry.key.pop_back();
        // Below the root a folder is entered only as the listing saw it, never through a link
        // that took its place since.
        os::Folder child = folder->OpenChild(entry.key, error);
        if (!child)
            return WalkItem{std::move(path), WalkKind::UnreadableFolder, folder, std::move(entry.key), error};
        if (auto problem = Enter(path, std::move(child)))
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
        Push({std::nullopt, m_walks.size() - 1});
    }
    m_waitingFolder.resize(m_walks.size());
}

void MultiWalk::Push(Head head)
{
    m_heads.push_back(std::move(head));
    std::push_heap(m_heads.begin(), m_heads.end(),
                   [&](const Head& a, const Head& b) { return a.Key(m_walks) > b.Key(m_walks); });
}

MultiWalk::Head MultiWalk::Pop()
{
    std::pop_heap(m_heads.begin(), m_heads.end(),
                  [&](const Head& a, const Head& b) { return a.Key(m_walks) > b.Key(m_walks); });
    Head least = std::move(m_heads.back());
    m_heads.pop_back();
    if (least.item)
        least.item->folder = std::move(m_waitingFolder[least.walk]);
    return least;
}

void MultiWalk::Advance(std::size_t walk)
{
    if (m_active && *m_active != walk) {
        // A paused walk holds no folder, nor does its waiting item: that is opened by its path.
        m_walks[*m_active].Suspend();
        m_waitingFolder[*m_active].reset();
    }
    m_active = walk;
    if (auto item = m_walks[walk].Next()) {
        m_waitingFolder[walk] = std::move(item->folder);
        Push({std::move(item), walk});
    }
}

std::optional<WalkItem> MultiWalk::Next()
{
    while (!m_heads.empty()) {
        Head least = Pop();
        if (!least.item) {  // a walk whose turn has come
            Advance(least.walk);
            continue;
        }
        Advance(least.walk);
        // The same path from another root (or given twice) comes once.
        while (!m_heads.empty() && m_heads.front().item && m_heads.front().item->path == least.item->path)
            Advance(Pop().walk);
        return std::move(least.item);
    }
    return std::nullopt;
}

}  // namespace skerrow
