// Folders on Windows. A folder is held as a handle (behind a C runtime descriptor, the shape the
// walk keeps); its names are reached through the handle's own full path, in the long form, so
// that neither depth nor a rename of the path the user typed changes what is listed.

#include "os/folder.h"

#include "os/windows_text.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <random>

namespace skerrow::os {

namespace {

HANDLE HandleOf(const FileDescriptor& fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd.Get()));
}

// Gives handle to a descriptor that closes it; an empty descriptor (and the handle closed) when
// the C runtime has no room for another.
FileDescriptor Adopt(HANDLE handle, int& error)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        error = EMFILE;
    }
    return FileDescriptor(fd);
}

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

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A symbolic link or a junction: what the walk never follows below what the user named.
bool IsLink(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

// The full path of an open handle, "\\?\C:\..." or "\\?\UNC\...", or empty.
std::wstring PathOf(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

// The path of name in the folder held by fd, in the long form.
bool ChildPath(const FileDescriptor& fd, std::string_view name, std::wstring& path, int& error)
{
    std::wstring wideName;
    path = PathOf(HandleOf(fd));
    if (path.empty() || !ToWide(std::string(name), wideName)) {
        error = path.empty() ? ErrorNumberOf(::GetLastError()) : EILSEQ;
        return false;
    }
    if (!path.ends_with(L'\\'))
        path += L'\\';
    path += wideName;
    return true;
}

OpenedFile OpenForReadingAt(const std::wstring& path)
{
    OpenedFile opened;
    const HANDLE handle = OpenHandle(path, GENERIC_READ, false, opened.error);
    if (handle == INVALID_HANDLE_VALUE)
        return opened;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !Inform(handle, info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(handle);
        opened.regular = false;
        return opened;
    }
    opened.id = IdOf(info);
    opened.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    opened.file = Adopt(handle, opened.error);
    return opened;
}

Folder OpenFolderAt(const std::wstring& path, bool noFollow, int& error, Folder (*make)(FileDescriptor, int&))
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
    return make(Adopt(handle, error), error);
}

}  // namespace

Folder::Folder(FileDescriptor fd, int& error) : m_fd(std::move(fd))
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!m_fd)
        return;
    if (!Inform(HandleOf(m_fd), info)) {
        error = ErrorNumberOf(::GetLastError());
        m_fd.Reset();
        return;
    }
    m_id = IdOf(info);
}

Folder Folder::Open(const std::string& path, int& error)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        error = EILSEQ;
        return {};
    }
    return OpenFolderAt(ForApi(wide), false, error,
                        [](FileDescriptor fd, int& e) { return Folder(std::move(fd), e); });
}

Folder Folder::OpenChild(std::string_view name, int& error) const
{
    std::wstring path;
    if (!ChildPath(m_fd, name, path, error))
        return {};
    return OpenFolderAt(path, true, error,
                        [](FileDescriptor fd, int& e) { return Folder(std::move(fd), e); });
}

Folder Folder::OpenParent(int& error) const
{
    std::wstring path = PathOf(HandleOf(m_fd));
    const std::size_t separator = path.find_last_of(L'\\');
    if (path.empty() || separator == std::wstring::npos) {
        error = ENOENT;
        return {};
    }
    path.resize(separator);
    return OpenFolderAt(path, false, error,
                        [](FileDescriptor fd, int& e) { return Folder(std::move(fd), e); });
}

bool Folder::List(std::vector<FolderEntry>& entries, int& error) const
{
    std::wstring pattern;
    if (!ChildPath(m_fd, "*", pattern, error))
        return false;
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
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

OpenedFile Folder::OpenFile(std::string_view name) const
{
    std::wstring path;
    OpenedFile opened;
    if (!ChildPath(m_fd, name, path, opened.error))
        return opened;
    return OpenForReadingAt(path);
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

OpenedFile OpenFileAtPath(const std::string& path)
{
    std::wstring wide;
    if (!ToWide(path, wide)) {
        OpenedFile opened;
        opened.error = EILSEQ;
        return opened;
    }
    return OpenForReadingAt(ForApi(wide));
}

std::uint64_t RandomKey()
{
    // The C++ library draws from the system's cryptographic source here (rand_s).
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) | device();
}

}  // namespace skerrow::os
