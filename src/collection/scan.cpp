#include "collection/scan.h"

#include "core/paths.h"
#include "diskimage/image_file.h"
#include "os/os.h"
#include "voicefile/layout.h"

#include <algorithm>

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
    if (file.status != HeadStatus::Ok) {
        file.diskImage = diskimage::LooksLikeFatImage(std::string_view(buffer, file.bytesRead));
        return file;
    }
    file.slotCount = slots;
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

ScannedImage ReadWalkedImage(const WalkItem& item, bool blocks)
{
    ScannedImage result;
    os::OpenResult opened = OpenWalkedFile(item);
    if (!opened.file) {
        result.status = HeadStatus::NotFound;
        result.error = opened.error;
        return result;
    }
    const diskimage::LoadedImage loaded =
        diskimage::LoadImage(std::make_shared<const os::File>(std::move(opened.file)));
    if (!loaded.image) {
        result.status =
            loaded.failure == diskimage::ImageFailure::ReadError ? HeadStatus::ReadError : HeadStatus::Ok;
        result.error = loaded.error;
        result.damage = loaded.damage;
        return result;
    }
    std::vector<ScannedMember>& found = result.members;
    for (const diskimage::VoiceMember& voice : diskimage::VoiceMembers(*loaded.image)) {
        const diskimage::Member& member = *voice.member;
        ScannedMember& scanned = found.emplace_back();
        scanned.path = JoinPath(item.path, member.path);
        scanned.file.status = HeadStatus::Ok;
        scanned.file.id = diskimage::MemberId(loaded.id, member.firstCluster);
        scanned.file.size = member.size;
        scanned.bytes = loaded.image->Read(member, 0, layout::HeadSize);
        scanned.file.slotCount = voice.slots;
        scanned.file.names = layout::ListNames(scanned.bytes, voice.slots);
        if (blocks)
            scanned.bytes = loaded.image->Read(
                member, 0,
                static_cast<std::size_t>(layout::FileSize(static_cast<int>(scanned.file.names.size()))));
        scanned.file.bytesRead = scanned.bytes.size();
    }
    // In the walk's order, by the bytes of the full path, rather than in the order of the disk.
    std::sort(found.begin(), found.end(),
              [](const ScannedMember& a, const ScannedMember& b) { return a.path < b.path; });
    return result;
}

}  // namespace skerrow
