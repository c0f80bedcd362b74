#include "core/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

FileDescriptor OpenPlainFileForReading(const std::string& path, FileIdentity* identity)
{
    struct stat info {};
    FileDescriptor fd = OpenPlainFileForReadingAt(AT_FDCWD, path, &info);
    if (fd && identity)
        *identity = {info.st_dev, info.st_ino};
    return fd;
}

FileDescriptor OpenPlainFileForReadingAt(int folderFd, const std::string& path, struct stat* info)
{
    // Without O_NONBLOCK a named pipe would hold the open until some writer came along; for a
    // plain file the flag changes nothing.
    FileDescriptor fd(::openat(folderFd, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return fd;
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0)
        return {};
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return {};
    }
    if (info)
        *info = status;
    return fd;
}

ssize_t ReadAt(int fd, off_t offset, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, bytes + got, size - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace skerrow
