#pragma once

// What File and Folder need of each body to own a handle: a descriptor on POSIX, a HANDLE on
// Windows, both carried as an integer so that the public headers name no system type.

#include <cstdint>

namespace skerrow::os {

// Closes a handle that File or Folder owns; the invalid value (-1) is left alone.
void CloseSystemHandle(std::intptr_t handle) noexcept;

}  // namespace skerrow::os
