#pragma once

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

// An open folder that closes itself. Reaching names through an open folder keeps the cost of a
// name independent of the length of the path above it.
class Folder {
public:
    Folder() = default;
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder();

    explicit operator bool() const { return m_handle != InvalidHandle; }
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
    OpenResult OpenFile(std::string_view name) const;

private:
    friend struct FolderAccess;
    static constexpr std::intptr_t InvalidHandle = -1;
    std::intptr_t m_handle = InvalidHandle;  // a descriptor on POSIX, a search handle's folder on Windows
    FileId m_id;
    // Windows: the folder's full path in the form the API takes; names below it are joined to it
    // as text, which costs no call to the system and has no length limit.
    std::wstring m_path;
};

// The type of what lies at path, following a link, or none with error set.
std::optional<EntryType> TypeOf(const std::string& path, int& error);

// 64 bits from the system's source of randomness, unknown to anyone who did not run this program.
std::uint64_t RandomKey();

}  // namespace skerrow::os
