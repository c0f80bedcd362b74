#pragma once

#include "os/folder.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skerrow {

// What the walk met at a path. Only File entries are for reading; the others are reported so
// that a command can say why it passed them over.
enum class WalkKind {
    File,               // a regular file
    SymbolicLink,       // not followed
    OtherType,          // a device, pipe or socket
    SaveTemporary,      // the temporary file of a save that was interrupted
    UnreadableFolder,   // a folder that could not be listed (error says why)
    UnenterableFolder,  // a folder whose names could be listed but not reached (error says why)
    FolderLoop,         // a folder already being walked above itself (a bind mount)
};

struct WalkItem {
    std::string path;  // the root as given joined with the names below it
    WalkKind kind = WalkKind::File;
    // The open folder the item lies in, and its name there: opened through them, an item is
    // reachable however long its path. Empty for a root, which is opened by its path.
    std::shared_ptr<const os::Folder> folder;
    std::string name;
    int error = 0;  // errno of an UnreadableFolder or UnenterableFolder
};

// Opens a File item of a walk for reading.
os::OpenResult OpenWalkedFile(const WalkItem& item);

// Walks one root depth first in the byte order of the full paths, never following a symbolic
// link below the root (a link given as the root itself is followed, as the user named it). The
// root is considered whatever its name. Memory holds the listings of the folders on the current
// path; at most one folder is held open, so neither depth nor the number of walks is a limit.
class TreeWalk {
public:
    // Looks at root without opening it: Exists() is false, with Error() telling why, when
    // there is nothing there.
    explicit TreeWalk(std::string root);

    bool Exists() const { return m_error == 0; }
    int Error() const { return m_error; }
    const std::string& Root() const { return m_root; }

    std::optional<WalkItem> Next();

    // Lets go of the open folder; Next opens again what it needs, checking it is the same.
    void Suspend();

private:
    struct Entry {
        std::string
            key;  // the name, with the separator appended for a folder so that order follows full paths
        WalkKind kind = WalkKind::File;
        bool folder = false;
    };
    struct Frame {
        std::string path;
        std::string prefix;  // path, ending in the separator
        os::FileId id;
        std::shared_ptr<const os::Folder> open;  // only for the deepest frame, when held
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    // Lists folder (at path); an item when it is a loop or cannot be listed or entered.
    std::optional<WalkItem> Enter(const std::string& path, os::Folder folder);
    // The open folder of the deepest frame, opened again by its path when it was let go.
    std::shared_ptr<const os::Folder> Deepest(int& error);

    std::string m_root;
    char m_separator;  // what joins names below the root: the one its path uses
    int m_error = 0;
    bool m_started = false;
    std::optional<WalkItem> m_pending;  // the root itself when it is not a folder
    std::vector<Frame> m_stack;
};

// Several roots walked as one, in the byte order of the full paths; a path reached from two roots
// comes once. Roots that cannot be reached are listed by Missing(), in the order given, with
// their errno. A root's folder is opened only when its first path is due, and a walk lets go of
// its folder when another walk's path comes next, so the number of roots is no limit either.
class MultiWalk {
public:
    explicit MultiWalk(const std::vector<std::string>& roots);

    const std::vector<std::pair<std::string, int>>& Missing() const { return m_missing; }
    std::optional<WalkItem> Next();

private:
    // Walks by the path of their next item, least on top; a walk not yet started stands by its
    // root, which comes before every path below it.
    struct Head {
        std::optional<WalkItem> item;
        std::size_t walk = 0;
        const std::string& Key(const std::vector<TreeWalk>& walks) const
        {
            return item ? item->path : walks[walk].Root();
        }
    };
    void Push(Head head);
    Head Pop();
    void Advance(std::size_t walk);

    std::vector<TreeWalk> m_walks;
    std::vector<Head> m_heads;  // a heap, least key on top
    // The folder of each walk's waiting item, kept apart so that pausing a walk lets go of it.
    std::vector<std::shared_ptr<const os::Folder>> m_waitingFolder;
    std::optional<std::size_t> m_active;
    std::vector<std::pair<std::string, int>> m_missing;
};

}  // namespace skerrow
