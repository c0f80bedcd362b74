#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>

namespace skerrow {

// An open file descriptor that closes itself, so that no early return can leak one.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Reset(); }

    int Get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

    // Closes the descriptor held, if any, and takes fd instead.
    void Reset(int fd = -1) noexcept;

    // Gives up ownership: the caller (fdopendir, say) closes the descriptor returned.
    int Release() noexcept { return std::exchange(m_fd, -1); }

    // Closes now and returns close()'s result, for a written file whose last writes must be
    // known to have landed. Afterwards nothing is held.
    int Close() noexcept;

private:
    int m_fd = -1;
};

// What makes a file the same file whatever path, link or spelling names it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file at path (links followed), or none when there is no file to stat.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Opens path read-only, and only when it is a plain file: a folder, a pipe or a device opens on
// this platform but is no file the user could have meant, and reading one could wait for ever.
// Returns an empty descriptor on failure, with errno telling why (EISDIR, or EINVAL for a pipe
// or device). Stores the opened file's identity in *identity when one is given.
FileDescriptor OpenPlainFileForReading(const std::string& path, FileIdentity* identity = nullptr);

// The same for path relative to the open folder folderFd (or AT_FDCWD); info, when given,
// receives the status of the file opened.
FileDescriptor OpenPlainFileForReadingAt(int folderFd, const std::string& path, struct stat* info = nullptr);

// Reads up to size bytes at offset, going on after interruptions and short reads. Returns the
// number of bytes read, fewer than size only at the end of the file, or -1 with errno set.
ssize_t ReadAt(int fd, off_t offset, void* data, std::size_t size);

}  // namespace skerrow
