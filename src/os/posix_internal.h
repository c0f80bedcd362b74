#pragma once

// What the POSIX bodies of the seam share; included by them alone.

#include "os/os.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace skerrow::os {

// A descriptor that closes itself, so that no early return can leak one.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) noexcept : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }

    int Get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    void Reset(int fd = -1) noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Gives up ownership to the caller.
    int Release() noexcept { return std::exchange(m_fd, -1); }
    // Closes now and tells whether the last writes landed.
    int Close() noexcept
    {
        const int result = m_fd >= 0 ? ::close(m_fd) : 0;
        m_fd = -1;
        return result;
    }

private:
    int m_fd = -1;
};

inline FileId IdOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

struct FileAccess {
    static void Adopt(File& file, Fd fd, const struct stat& info)
    {
        file.m_handle = fd.Release();
        file.m_id = IdOf(info);
        file.m_size = static_cast<std::uint64_t>(info.st_size);
    }
};

// Opens path with flags, a stretch of folders shorter than PATH_MAX at a time where the whole is
// longer than the system takes at once. Returns an empty descriptor with error set.
Fd OpenPath(const std::string& path, int flags, int& error);

// What an open for reading found at fd: a plain file, or why there is none (error is the open's
// when fd is empty).
OpenResult CheckOpened(Fd fd, int error);

}  // namespace skerrow::os
