#include "voicefile/head_reader.h"

#include "core/file_io.h"
#include "voicefile/layout.h"

#include <cerrno>

namespace skerrow {

HeadStatus ParseHead(std::string_view bytes, int& slotCount)
{
    if (bytes.size() < layout::HeadSize)
        return HeadStatus::Truncated;
    const auto slots = static_cast<unsigned char>(bytes[layout::SlotCountOffset]);
    if (!layout::IsValidSlotCount(slots))
        return HeadStatus::BadCount;
    slotCount = slots;
    return HeadStatus::Ok;
}

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

    image.resize(static_cast<std::size_t>(got));
    result.status = ParseHead(image, result.slotCount);
    if (result.status != HeadStatus::Ok)
        return result;
    result.image = std::move(image);
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
