// The descriptor class alone, which every system with a C runtime can build (the other helpers
// of file_io.h are POSIX calls).

#include "core/file_io.h"

#include <unistd.h>

namespace skerrow {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
        Reset(std::exchange(other.m_fd, -1));
    return *this;
}

void FileDescriptor::Reset(int fd) noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int FileDescriptor::Close() noexcept
{
    const int result = m_fd >= 0 ? ::close(m_fd) : 0;
    m_fd = -1;
    return result;
}

}  // namespace skerrow
