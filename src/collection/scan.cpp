#include "collection/scan.h"

#include "voicefile/layout.h"

#include <cstdint>

namespace skerrow {

ScannedFile ReadWalkedFile(const WalkItem& item, char* buffer, bool blocks)
{
    ScannedFile file;
    const os::OpenResult opened = OpenWalkedFile(item);
    if (!opened.file) {
        file.regular = opened.failure == os::OpenFailure::Missing;
        file.error = opened.error;
        return file;
    }
    file.id = opened.file.Id();
    file.size = opened.file.Size();
    const std::int64_t head = opened.file.ReadAt(0, buffer, layout::HeadSize, &file.error);
    if (head < 0) {
        file.status = HeadStatus::ReadError;
        return file;
    }
    file.bytesRead = static_cast<std::size_t>(head);
    int slots = 0;
    file.status = ParseHead(std::string_view(buffer, file.bytesRead), slots);
    if (file.status != HeadStatus::Ok)
        return file;
    file.names = layout::ListNames(std::string_view(buffer, layout::HeadSize), slots);
    if (blocks) {
        const auto needed = static_cast<std::size_t>(layout::FileSize(static_cast<int>(file.names.size())));
        const std::int64_t rest = opened.file.ReadAt(static_cast<std::uint64_t>(head), buffer + head,
                                                     needed - layout::HeadSize, &file.error);
        if (rest < 0) {
            file.status = HeadStatus::ReadError;
            return file;
        }
        file.bytesRead += static_cast<std::size_t>(rest);
    }
    return file;
}

}  // namespace skerrow
