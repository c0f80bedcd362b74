// Folders on Windows. A folder is held as a handle together with its full path in the long form
// ("\\?\C:\..."); the names below it are joined to that path as text. Asking the system for a
// handle's path instead would cost a call for every name, and fails below deep folders on some
// systems. What a walk reads is still told apart by identity (volume serial and file index).

#include "os/folder.h"

#include "os/windows_text.h"

#include <windows.h>

#include <cerrno>
#include <random>
#include <utility>

namespace skerrow::os {

struct FolderAccess {
    // The folder held by handle, which it then owns, or an empty one (the handle closed) with
    // error set.
    static Folder Adopt(HANDLE handle, std::wstring path, int& error)
    {
        Folder folder;
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileInformationByHandle(handle, &info) == 0) {
            error = ErrorNumberOf(::GetLastError());
            ::CloseHandle(handle);
            return folder;
        }
        folder.m_id = {info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
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

bool Inform(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info)
{
    return ::GetFileInformationByHandle(handle, &info) != 0;
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

Folder OpenFolderAt(const std::wstring& path, bool noFollow, int& error)
{
    const HANDLE handle = OpenHandle(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, noFollow, error);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!Inform(handle, info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (noFollow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        error = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ELOOP : ENOTDIR;
        ::CloseHandle(handle);
        return {};
    }
    return FolderAccess::Adopt(handle, path, error);
}

}  // namespace

Folder Folder::Open(const std::string& path, int& error)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        error = EILSEQ;
        return {};
    }
    return OpenFolderAt(LongForm(wide), false, error);
}

Folder Folder::OpenChild(std::string_view name, int& error) const
{
    std::wstring path;
    if (!ChildPath(*this, name, path, error))
        return {};
    return OpenFolderAt(path, true, error);
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
    return OpenFolderAt(path, false, error);
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
    return OpenForReadingWide(path);
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
    BY_HANDLE_FILE_INFORMATION info{};
    EntryType type = EntryType::Other;
    if (::GetFileType(handle) == FILE_TYPE_DISK && Inform(handle, info))
        type = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryType::Folder : EntryType::File;
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
