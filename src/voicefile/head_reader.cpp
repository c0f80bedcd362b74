#include "voicefile/head_reader.h"

#include "os/os.h"
#include "voicefile/layout.h"

#include <cerrno>
#include <cstdint>

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
    const os::OpenResult source = os::OpenForReading(path);
    if (!source.file) {
        result.error = source.error;
        result.notPlain = source.failure == os::OpenFailure::NotPlain;
        // A file another program holds is there: it is not to be called missing.
        if (source.error == EBUSY)
            result.status = HeadStatus::ReadError;
        return result;
    }
    std::string image(layout::HeadSize, '\0');
    const std::int64_t got = source.file.ReadAt(0, image.data(), image.size(), &result.error);
    if (got < 0) {
        result.status = HeadStatus::ReadError;
        return result;
    }
    image.resize(static_cast<std::size_t>(got));
    result.status = ParseHead(image, result.slotCount);
    if (result.status == HeadStatus::Ok)
        result.image = std::move(image);
    return result;
}

}  // namespace skerrow
