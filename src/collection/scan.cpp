#include "collection/scan.h"

#include "voicefile/layout.h"

#include <cerrno>

namespace skerrow {

ScannedFile ReadWalkedFile(const WalkItem& item, char* buffer, bool blocks)
{
    ScannedFile file;
    const os::OpenedFile opened = OpenWalkedFile(item);
    if (!opened.file) {
        file.regular = opened.regular;
        file.error = opened.error;
        return file;
    }
    file.id = opened.id;
    file.size = opened.size;
    const int fd = opened.file.Get();
    const ssize_t head = ReadAt(fd, 0, buffer, layout::HeadSize);
    if (head < 0) {
        file.status = HeadStatus::ReadError;
        file.error = errno;
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
        const ssize_t rest = ReadAt(fd, head, buffer + head, needed - layout::HeadSize);
        if (rest < 0) {
            file.status = HeadStatus::ReadError;
            file.error = errno;
            return file;
        }
        file.bytesRead += static_cast<std::size_t>(rest);
    }
    return file;
}

}  // namespace skerrow
