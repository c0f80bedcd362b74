#include "voicefile/head_reader.h"

#include "voicefile/layout.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skerrow {

HeadResult ReadHead(const std::string& path)
{
    HeadResult result;
    // Without O_NONBLOCK a named pipe would hold the open until some writer came along; for a
    // plain file the flag changes nothing.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return result;

    // A folder, a pipe or a device opens on this platform but is no file the user could have
    // meant, and reading one could wait for ever.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return result;
    }

    std::string image(layout::HeadSize, '\0');
    std::size_t got = 0;
    while (got < image.size()) {
        const ssize_t n = ::read(fd, image.data() + got, image.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            result.status = HeadStatus::ReadError;
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);

    if (got < layout::HeadSize) {
        result.status = HeadStatus::Truncated;
        return result;
    }
    const auto slots = static_cast<unsigned char>(image[layout::SlotCountOffset]);
    if (!layout::IsValidSlotCount(slots)) {
        result.status = HeadStatus::BadCount;
        return result;
    }
    result.status = HeadStatus::Ok;
    result.image = std::move(image);
    result.slotCount = static_cast<int>(slots);
    return result;
}

std::string HeadMessage(HeadStatus status, const std::string& path)
{
    switch (status) {
    case HeadStatus::Ok:
        return {};
    case HeadStatus::NotFound:
        return path + " not found.";
    case HeadStatus::ReadError:
        return "Read error: " + path;
    case HeadStatus::Truncated:
        return "Bad or truncated VL file.";
    case HeadStatus::BadCount:
        return "Bad record count in VL file.";
    }
    return {};
}

}  // namespace skerrow
