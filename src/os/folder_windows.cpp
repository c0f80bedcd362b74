// Folders on Windows. A folder is held as a handle together with its full path in the long form
// ("\\?\C:\..."); the names below it are joined to that path as text. Asking the system for a
// handle's path instead would cost a call for every name, and fails below deep folders on some
// systems. What a walk reads is still told apart by identity (volume serial and file index), the
// serial being the folder's, which every entry it lists shares unless it is a link.

#include "os/folder.h"

#include "os/windows_text.h"

#include <windows.h>

#include <cerrno>
#include <random>
#include <utility>

namespace skerrow::os {

struct FolderAccess {
    // The folder held by handle, which it then owns.
    static Folder Adopt(HANDLE handle, const FileId& id, std::wstring path)
    {
        Folder folder;
        folder.m_id = id;
        folder.m_handle = reinterpret_cast<std::intptr_t>(handle);
        folder.m_path = std::move(path);
        return folder;
    }
    static const std::wstring& PathOf(const Folder& folder) { return folder.m_path; }
    static HANDLE Get(const Folder& folder) { return reinterpret_cast<HANDLE>(folder.m_handle); }
};

namespace {

// Opens whatever is at path (a UTF-16 path in the form the API takes), shared in every way.
// noFollow opens a link itself instead of what it leads to.
HANDLE OpenHandle(const std::wstring& path, DWORD access, bool noFollow, int& error)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const HANDLE handle =
        ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        error = ErrorNumberOf(::GetLastError());
    return handle;
}

// A symbolic link or a junction: what the walk never follows below what the user named.
bool IsLink(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

// The path of name in folder, in the long form.
bool ChildPath(const Folder& folder, std::string_view name, std::wstring& path, int& error)
{
    std::wstring wideName;
    if (!ToWide(std::string(name), wideName)) {
        error = EILSEQ;
        return false;
    }
    path = FolderAccess::PathOf(folder);
    if (!path.ends_with(L'\\'))
        path += L'\\';
    path += wideName;
    return true;
}

// The folder at path. volume is that of the folder it is listed in, when it is reached from one
// without following a link: it then lies on the same volume.
Folder OpenFolderAt(const std::wstring& path, bool noFollow, std::optional<std::uint64_t> volume, int& error)
{
    const HANDLE handle = OpenHandle(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, noFollow, error);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    HandleInformation info;
    if (!InformationOf(handle, volume, info)) {
        error = ErrorNumberOf(::GetLastError());
        ::CloseHandle(handle);
        return {};
    }
    if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (noFollow && (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        error = (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ELOOP : ENOTDIR;
        ::CloseHandle(handle);
        return {};
    }
    return FolderAccess::Adopt(handle, info.id, path);
}

// Whether name is one entry's own, as a listing gives it, rather than a path leading elsewhere.
bool PlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace

Folder Folder::Open(const std::string& path, int& error)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        error = EILSEQ;
        return {};
    }
    return OpenFolderAt(LongForm(wide), false, std::nullopt, error);
}

Folder Folder::OpenChild(std::string_view name, int& error) const
{
    std::wstring path;
    if (!ChildPath(*this, name, path, error))
        return {};
    return OpenFolderAt(path, true, PlainName(name) ? std::optional(m_id.device) : std::nullopt, error);
}

Folder Folder::OpenParent(int& error) const
{
    std::wstring path = m_path;
    if (path.ends_with(L'\\'))
        path.pop_back();
    const std::size_t separator = path.find_last_of(L'\\');
    if (path.empty() || separator == std::wstring::npos) {
        error = ENOENT;
        return {};
    }
    path.resize(separator);
    return OpenFolderAt(path, false, std::nullopt, error);
}

bool Folder::List(std::vector<FolderEntry>& entries, int& error) const
{
    std::wstring pattern;
    if (!ChildPath(*this, "*", pattern, error))
        return false;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return true;  // not even "." in it: a drive's empty root
        error = ErrorNumberOf(code);
        return false;
    }
    bool complete = true;
    do {
        const std::wstring_view wide = found.cFileName;
        if (wide == L"." || wide == L"..")
            continue;
        FolderEntry item;
        // A name no UTF-8 can carry (a lone surrogate) could not be named back: it is left out.
        if (!ToUtf8(std::wstring(wide), item.name))
            continue;
        if (IsLink(found.dwFileAttributes, found.dwReserved0))
            item.type = EntryType::Link;
        else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            item.type = EntryType::Folder;
        else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0)
            item.type = EntryType::Other;
        entries.push_back(std::move(item));
    } while (::FindNextFileW(search, &found) != 0);
    if (const DWORD code = ::GetLastError(); code != ERROR_NO_MORE_FILES) {
        error = ErrorNumberOf(code);
        complete = false;
    }
    ::FindClose(search);
    return complete;
}

bool Folder::CanEnter(int&) const
{
    // Windows lets every user pass through folders by default: a name listed can be reached.
    return true;
}

OpenResult Folder::OpenFile(std::string_view name) const
{
    std::wstring path;
    OpenResult opened;
    if (!ChildPath(*this, name, path, opened.error))
        return opened;
    return OpenForReadingWide(path, PlainName(name) ? std::optional(m_id.device) : std::nullopt);
}

std::optional<EntryType> TypeOf(const std::string& path, int& error)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        error = EILSEQ;
        return std::nullopt;
    }
    const HANDLE handle = OpenHandle(ForApi(wide), FILE_READ_ATTRIBUTES, false, error);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    HandleInformation info;
    EntryType type = EntryType::Other;
    if (::GetFileType(handle) == FILE_TYPE_DISK && InformationOf(handle, std::nullopt, info))
        type = (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryType::Folder : EntryType::File;
    ::CloseHandle(handle);
    return type;
}

std::uint64_t RandomKey()
{
    // The C++ library draws from the system's cryptographic source here (rand_s).
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) | device();
}

}  // namespace skerrow::os
