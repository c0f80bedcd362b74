#include "os/windows_text.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cerrno>

namespace skerrow::os {

bool ToWide(const std::string& path, std::wstring& wide)
{
    wide.clear();
    if (path.empty())
        return true;
    const int size = static_cast<int>(path.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.data(), length) ==
           length;
}

bool ToUtf8(const std::wstring& wide, std::string& utf8)
{
    utf8.clear();
    if (wide.empty())
        return true;
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    utf8.resize(static_cast<std::size_t>(length));
    return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, utf8.data(), length,
                                 nullptr, nullptr) == length;
}

std::wstring FullPath(const std::wstring& path)
{
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

std::wstring LongForm(const std::wstring& path)
{
    // Given in the prefixed form, a path is taken as it is: the system resolves nothing in it.
    if (path.starts_with(L"\\\\?\\"))
        return path;
    // The prefixed form takes no "." or ".." and no forward slash: let the system resolve them.
    const std::wstring full = FullPath(path);
    // "\\.\" and "//?/" are device paths, resolved but not changed into another form.
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return std::wstring(L"\\\\?\\UNC\\") + full.substr(2);
    return std::wstring(L"\\\\?\\") + full;
}

std::wstring ForApi(const std::wstring& path)
{
    // Below this the plain form works for a file in any folder the plain form can create.
    constexpr std::size_t PlainLimit = MAX_PATH - 12;
    if (path.size() < PlainLimit)
        return path;
    return LongForm(path);
}

int ErrorNumberOf(unsigned long code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return ENOENT;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return InvalidNameError;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:  // the old file is open elsewhere without leave to delete
        return EBUSY;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
        return EPIPE;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return EIO;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_HANDLE:
    case ERROR_NEGATIVE_SEEK:
        return EINVAL;
    default:
        return EIO;
    }
}

namespace {

// The few calls of the system's native layer that do what the Win32 API only does at a higher
// cost, found at first use: they are part of every Windows there is, but not of every import
// library a compiler brings.
struct NativeCalls {
    using QueryInformationFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
    using ReadFile = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*, void*, ULONG,
                                  LARGE_INTEGER*, ULONG*);
    using StatusToError = ULONG(NTAPI*)(LONG);

    QueryInformationFile queryInformationFile = nullptr;
    ReadFile readFile = nullptr;
    StatusToError statusToError = nullptr;

    explicit operator bool() const { return queryInformationFile && readFile && statusToError; }
};

const NativeCalls& Native()
{
    static const NativeCalls calls = [] {
        NativeCalls found;
        if (const HMODULE module = ::GetModuleHandleW(L"ntdll.dll")) {
            const auto find = [module](const char* name) {
                return reinterpret_cast<void*>(::GetProcAddress(module, name));
            };
            found.queryInformationFile =
                reinterpret_cast<NativeCalls::QueryInformationFile>(find("NtQueryInformationFile"));
            found.readFile = reinterpret_cast<NativeCalls::ReadFile>(find("NtReadFile"));
            found.statusToError = reinterpret_cast<NativeCalls::StatusToError>(find("RtlNtStatusToDosError"));
        }
        return found;
    }();
    return calls;
}

constexpr ULONG FileInternalInformation = 6;
constexpr LONG StatusEndOfFile = static_cast<LONG>(0xC0000011);

}  // namespace

bool InformationOf(void* handle, std::optional<std::uint64_t> volume, HandleInformation& out)
{
    const NativeCalls& native = Native();
    if (!volume || !native) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileInformationByHandle(handle, &info) == 0)
            return false;
        out.id = {info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
        out.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        out.attributes = info.dwFileAttributes;
        return true;
    }
    // GetFileInformationByHandle asks the volume for its serial number on every call, and under
    // some systems that is a round trip to another process, costing more than opening and reading
    // the file together. The index asked for here is the one that call gives; the size and the
    // attributes come from what the open handle knows, without looking its path up again.
    IO_STATUS_BLOCK status{};
    LARGE_INTEGER index{};
    if (const LONG result =
            native.queryInformationFile(handle, &status, &index, sizeof index, FileInternalInformation);
        result < 0) {
        ::SetLastError(native.statusToError(result));
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    FILE_STANDARD_INFO standard{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) == 0 ||
        ::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) == 0)
        return false;
    out.id = {*volume, static_cast<std::uint64_t>(index.QuadPart)};
    out.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    out.attributes = tag.FileAttributes;
    return true;
}

std::int64_t ReadHandleAt(void* handle, std::uint64_t offset, void* data, std::size_t size, int* error)
{
    // A read at an offset on a handle opened for plain (not overlapped) use. The native call
    // takes the offset as it is; ReadFile needs an OVERLAPPED for it, which some systems answer
    // with a second request to queue a completion no one waits for.
    const NativeCalls& native = Native();
    auto* bytes = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        const std::uint64_t position = offset + got;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
        DWORD n = 0;
        if (native) {
            IO_STATUS_BLOCK status{};
            LARGE_INTEGER at{};
            at.QuadPart = static_cast<LONGLONG>(position);
            const LONG result =
                native.readFile(handle, nullptr, nullptr, nullptr, &status, bytes + got, want, &at, nullptr);
            if (result == StatusEndOfFile)
                break;
            if (result < 0) {
                if (error)
                    *error = ErrorNumberOf(native.statusToError(result));
                return -1;
            }
            n = static_cast<DWORD>(status.Information);
        } else {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            if (::ReadFile(handle, bytes + got, want, &n, &at) == 0) {
                if (::GetLastError() == ERROR_HANDLE_EOF)
                    break;
                if (error)
                    *error = ErrorNumberOf(::GetLastError());
                return -1;
            }
        }
        if (n == 0)
            break;
        got += n;
    }
    return static_cast<std::int64_t>(got);
}

}  // namespace skerrow::os
