#include "voicefile/head_reader.h"

#include "os/os.h"
#include "voicefile/layout.h"

#include <cstdint>

namespace skerrow {

HeadResult ParseHead(std::string_view bytes)
{
    HeadResult result;
    if (bytes.size() < layout::HeadSize) {
        result.status = HeadStatus::Truncated;
        return result;
    }
    const auto slots = static_cast<unsigned char>(bytes[layout::SlotCountOffset]);
    if (!layout::IsValidSlotCount(slots)) {
        result.status = HeadStatus::BadCount;
        return result;
    }
    result.status = HeadStatus::Ok;
    result.image = std::string(bytes.substr(0, layout::HeadSize));
    result.slotCount = static_cast<int>(slots);
    return result;
}

HeadResult ReadHead(const std::string& path)
{
    HeadResult result;
    const os::OpenResult source = os::OpenForReading(path);
    if (!source.file) {
        result.error = source.error;
        return result;
    }
    std::string image(layout::HeadSize, '\0');
    const std::int64_t got = source.file.ReadAt(0, image.data(), image.size(), &result.error);
    if (got < 0) {
        result.status = HeadStatus::ReadError;
        return result;
    }
    image.resize(static_cast<std::size_t>(got));
    return ParseHead(image);
}

}  // namespace skerrow
