#pragma once

// What the Windows body's files share at the API: UTF-8 paths to UTF-16 and back, the system's
// error codes as errno values, reading at an offset. Windows only.

#include "os/os.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace skerrow::os {

// path as UTF-16; false when it is no valid UTF-8 (an invalid byte would otherwise silently
// become U+FFFD and name another file).
bool ToWide(const std::string& path, std::wstring& wide);

// wide as UTF-8; false for a lone surrogate, which no UTF-8 spelling can carry.
bool ToUtf8(const std::wstring& wide, std::string& utf8);

// path as the API takes it past the old 260-character limit: absolute, with "\\?\" before it.
// Shorter paths are returned unchanged, keeping what the system does with them ("NUL", "a/b").
std::wstring ForApi(const std::wstring& path);

// path absolute, plain and always in the prefixed form ("\\?\C:\a", "\\?\UNC\server\share"),
// so that names can be joined to it as text whatever the length.
std::wstring LongForm(const std::wstring& path);

// path made absolute and plain ("C:\\a\\b" for "b" in C:\\a, no "." or "..", backslashes only);
// path itself when the system cannot.
std::wstring FullPath(const std::wstring& path);

// The errno value (ENOENT, EACCES, ENOSPC, ...) for a Win32 error code; EIO for the unknown.
int ErrorNumberOf(unsigned long code);

// Reads up to size bytes at offset from the file handle (a HANDLE), going on after short reads.
// Returns the number read, fewer only at the end, or -1 with *error set.
std::int64_t ReadHandleAt(void* handle, std::uint64_t offset, void* data, std::size_t size, int* error);

// What identifies an open file or folder, its size and its attributes (FILE_ATTRIBUTE_*).
struct HandleInformation {
    FileId id;
    std::uint64_t size = 0;
    unsigned long attributes = 0;
};

// The information of handle (a HANDLE). A caller that knows the volume's serial number (that of
// the folder the entry is listed in, which it shares unless it is a link) passes it: it is then
// not asked for again, which under some systems costs more than opening and reading the file.
bool InformationOf(void* handle, std::optional<std::uint64_t> volume, HandleInformation& out);

// Opens the file at apiPath (UTF-16, in the form the API takes) for reading, as OpenForReading.
// volume, when known, is that of the folder whose listing named the file (see InformationOf).
OpenResult OpenForReadingWide(const std::wstring& apiPath,
                              std::optional<std::uint64_t> volume = std::nullopt);

}  // namespace skerrow::os
