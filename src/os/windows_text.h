#pragma once

// The Windows body's conversions at the API: UTF-8 paths to UTF-16 and back, and the system's
// error codes to errno values. Windows only.

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

// The errno value (ENOENT, EACCES, ENOSPC, ...) for a Win32 error code; EIO for the unknown.
int ErrorNumberOf(unsigned long code);

}  // namespace skerrow::os
