#include "voicefile/head_reader.h"

#include "core/file_io.h"
#include "voicefile/layout.h"

#include <cerrno>

namespace skerrow {

HeadResult ReadHead(const std::string& path)
{
    HeadResult result;
    const FileDescriptor fd = OpenPlainFileForReading(path);
    if (!fd) {
        result.error = errno;
        return result;
    }

    std::string image(layout::HeadSize, '\0');
    const ssize_t got = ReadAt(fd.Get(), 0, image.data(), image.size());
    if (got < 0) {
        result.status = HeadStatus::ReadError;
        result.error = errno;
        return result;
    }

    if (static_cast<std::size_t>(got) < layout::HeadSize) {
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
