#pragma once

#include "core/file_io.h"
#include "os/os.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skerrow::os {

// What a folder entry, or a path, is. Links are never followed where this is asked of an entry.
enum class EntryType { File, Folder, Link, Other };

// One name of a folder listing, with its type.
struct FolderEntry {
    std::string name;
    EntryType type = EntryType::File;
};

// What opening a file for reading found: the file, or why there is none.
struct OpenedFile {
    FileDescriptor file;     // empty when the open failed
    bool regular = true;     // false: a folder, pipe or device, which is no file to read
    int error = 0;           // the system's reason when file is empty and regular is true
    FileId id;               // of the opened file
    std::uint64_t size = 0;  // of the opened file
};

// An open folder that closes itself. Reaching names through an open folder keeps the cost of a
// name independent of the length of the path above it.
class Folder {
public:
    Folder() = default;
    Folder(Folder&&) noexcept = default;
    Folder& operator=(Folder&&) noexcept = default;

    explicit operator bool() const { return static_cast<bool>(m_fd); }
    const FileId& Id() const { return m_id; }

    // Opens the folder at path (a link is followed, as the user named it), whatever its length.
    // Returns an empty folder with error set on failure.
    static Folder Open(const std::string& path, int& error);

    // Opens the folder called name in this one, never through a link.
    Folder OpenChild(std::string_view name, int& error) const;

    // Opens the folder this one lies in.
    Folder OpenParent(int& error) const;

    // Every entry but "." and "..", in the order the system gives them. An entry of unknown type
    // that vanishes before its type is known is left out. Returns false with error set when the
    // listing itself failed; the entries read until then are kept.
    bool List(std::vector<FolderEntry>& entries, int& error) const;

    // Whether names in this folder can be reached (a folder can be listable but not enterable).
    bool CanEnter(int& error) const;

    // Opens the entry called name for reading when it is a plain file.
    OpenedFile OpenFile(std::string_view name) const;

private:
    explicit Folder(FileDescriptor fd, int& error);

    FileDescriptor m_fd;
    FileId m_id;
};

// The type of what lies at path, following a link, or none with error set.
std::optional<EntryType> TypeOf(const std::string& path, int& error);

// Opens the file at path for reading, whatever its length, when it is a plain file.
OpenedFile OpenFileAtPath(const std::string& path);

// 64 bits from the system's source of randomness, unknown to anyone who did not run this program.
std::uint64_t RandomKey();

}  // namespace skerrow::os
