#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace skerrow {

// What the walk met at a path. Only File entries are for reading; the others are reported so
// that a command can say why it passed them over.
enum class WalkKind {
    File,              // a regular file
    SymbolicLink,      // not followed
    OtherType,         // a device, pipe or socket
    UnreadableFolder,  // a folder that could not be listed
    FolderLoop,        // a folder already being walked above itself (a bind mount)
};

struct WalkItem {
    std::string path;  // the root as given joined with the names below it
    WalkKind kind = WalkKind::File;
};

// Walks one root depth first in the byte order of the full paths, never following a symbolic
// link below the root (a link given as the root itself is followed, as the user named it).
// Memory holds only the listings of the folders on the current path. A root that does not
// exist yields nothing and sets Exists() to false.
class TreeWalk {
public:
    explicit TreeWalk(std::string root);
    TreeWalk(TreeWalk&&) = default;
    TreeWalk& operator=(TreeWalk&&) = default;

    bool Exists() const { return m_exists; }
    std::optional<WalkItem> Next();

private:
    struct Entry {
        std::string key;  // the name, with '/' appended for a folder so that order follows full paths
        WalkKind kind = WalkKind::File;
        bool folder = false;
    };
    struct Frame {
        std::string prefix;  // path of the folder, ending in '/'
        std::vector<Entry> entries;
        std::size_t next = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    // Lists the folder at path; nothing when it is a loop or cannot be listed (item says which).
    std::optional<WalkItem> Enter(const std::string& path);

    bool m_exists = true;
    std::optional<WalkItem> m_pending;  // the root itself when it is not a folder
    std::vector<Frame> m_stack;
};

// Several roots walked as one, in the byte order of the full paths; a path reached from two roots
// comes once. Roots that do not exist are listed by Missing(), in the order given.
class MultiWalk {
public:
    explicit MultiWalk(const std::vector<std::string>& roots);

    const std::vector<std::string>& Missing() const { return m_missing; }
    std::optional<WalkItem> Next();

private:
    std::vector<TreeWalk> m_walks;
    std::vector<std::optional<WalkItem>> m_heads;
    std::vector<std::string> m_missing;
};

}  // namespace skerrow
