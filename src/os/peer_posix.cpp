#include "os/peer.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {

std::string UserKey()
{
    return std::to_string(::getuid());
}

bool FolderPrivateToUser(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string PrivateFolder(const std::string& parent, const std::string& name)
{
    const std::string path = parent + (parent.ends_with('/') ? "" : "/") + name;
    if (::mkdir(path.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return {};
    // Whether made just now or found, it is checked the same way: lstat, so a link planted under
    // the name is refused, not followed.
    return FolderPrivateToUser(path) ? path : std::string();
}

void LetPeerTakeForeground() {}

bool SocketPathUsable(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    return S_ISSOCK(info.st_mode) && info.st_uid == ::getuid();
}

bool PeerIsSameUser(int descriptor)
{
#ifdef __linux__
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return false;
    return peer.uid == ::getuid();
#else
    // macOS and the BSDs tell a peer's user this way instead.
    uid_t user = 0;
    gid_t group = 0;
    return ::getpeereid(descriptor, &user, &group) == 0 && user == ::getuid();
#endif
}

int TakeStartUpLock(const std::string& path, int timeoutMilliseconds)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    // In a folder others may write to, the file may have been put there by someone else, who
    // could then hold the lock for ever or watch it.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return -1;
    }
    // Polled rather than blocking, so that a holder that hangs cannot keep us waiting past the
    // deadline; the holder keeps it only for the moments of its own start-up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fd;
}

void ReleaseStartUpLock(int descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
}

}  // namespace skerrow
