#pragma once

#include "core/file_io.h"

#include <cstddef>
#include <memory>
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
    SaveTemporary,     // the temporary file of a save that was interrupted
    UnreadableFolder,  // a folder that could not be listed (error says why)
    FolderLoop,        // a folder already being walked above itself (a bind mount)
};

struct WalkItem {
    std::string path;  // the root as given joined with the names below it
    WalkKind kind = WalkKind::File;
    // The open folder the item lies in, and its name there: opened through them, an item is
    // reachable however long its path. Empty for a root, which is opened by its path.
    std::shared_ptr<const FileDescriptor> folder;
    std::string name;
    int error = 0;  // errno of an UnreadableFolder
};

// Opens a File item of a walk for reading, as OpenPlainFileForReading does (errno tells why
// not); info receives the file's status.
FileDescriptor OpenWalkedFile(const WalkItem& item, struct stat& info);

// Opens a path of any length for reading, one part after the other where it is longer than the
// system takes at once. Returns an empty descriptor with errno set on failure.
FileDescriptor OpenLongPath(const std::string& path);

// Walks one root depth first in the byte order of the full paths, never following a symbolic
// link below the root (a link given as the root itself is followed, as the user named it).
// Memory holds only the listings of the folders on the current path, and one descriptor per
// such folder, so depth is no limit. A root that cannot be reached yields nothing and sets
// Exists() to false, with Error() telling why.
class TreeWalk {
public:
    explicit TreeWalk(std::string root);
    TreeWalk(TreeWalk&&) = default;
    TreeWalk& operator=(TreeWalk&&) = default;

    bool Exists() const { return m_error == 0; }
    int Error() const { return m_error; }
    std::optional<WalkItem> Next();

private:
    struct Entry {
        std::string key;  // the name, with '/' appended for a folder so that order follows full paths
        WalkKind kind = WalkKind::File;
        bool folder = false;
    };
    struct Frame {
        std::string prefix;  // path of the folder, ending in '/'
        std::shared_ptr<const FileDescriptor> fd;
        std::vector<Entry> entries;
        std::size_t next = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    // Lists the folder opened as fd; nothing when it is a loop or cannot be listed (item says which).
    std::optional<WalkItem> Enter(const std::string& path, FileDescriptor fd);

    int m_error = 0;
    std::optional<WalkItem> m_pending;  // the root itself when it is not a folder
    std::vector<Frame> m_stack;
};

// Several roots walked as one, in the byte order of the full paths; a path reached from two roots
// comes once. Roots that cannot be reached are listed by Missing(), in the order given, with
// their errno.
class MultiWalk {
public:
    explicit MultiWalk(const std::vector<std::string>& roots);

    const std::vector<std::pair<std::string, int>>& Missing() const { return m_missing; }
    std::optional<WalkItem> Next();

private:
    // Walks by the path of their next item, least on top: each step costs a logarithm of the
    // number of roots, not the number itself.
    struct Head {
        WalkItem item;
        std::size_t walk = 0;
    };
    struct LaterPath {
        bool operator()(const Head& a, const Head& b) const { return a.item.path > b.item.path; }
    };
    void Advance(std::size_t walk);

    std::vector<TreeWalk> m_walks;
    std::vector<Head> m_heads;  // a heap ordered by LaterPath
    std::vector<std::pair<std::string, int>> m_missing;
};

}  // namespace skerrow
