// Reading at an offset through a descriptor of core/file_io.h, on Windows, where a descriptor is a
// C runtime one standing for a handle.

#include "core/file_io.h"

#include "os/windows_text.h"

#include <cerrno>
#include <io.h>

namespace skerrow {

ssize_t ReadAt(int fd, off_t offset, void* data, std::size_t size)
{
    const intptr_t handle = ::_get_osfhandle(fd);
    if (handle == -1) {
        errno = EBADF;
        return -1;
    }
    int error = 0;
    const std::int64_t got = os::ReadHandleAt(reinterpret_cast<void*>(handle),
                                              static_cast<std::uint64_t>(offset), data, size, &error);
    if (got < 0)
        errno = error;
    return static_cast<ssize_t>(got);
}

}  // namespace skerrow
