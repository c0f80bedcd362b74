#include "diskimage/image_file.h"

#include "core/paths.h"
#include "voicefile/layout.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace skerrow::diskimage {

namespace {

constexpr std::size_t BootSectorSize = 512;

bool StartsWithBootSector(const os::File& file)
{
    std::string first(BootSectorSize, '\0');
    const std::int64_t got = file.ReadAt(0, first.data(), first.size());
    if (got < 0)
        return false;
    first.resize(static_cast<std::size_t>(got));
    return LooksLikeFatImage(first);
}

const Member* FindFile(const FatImage& image, const std::string& path)
{
    const Member* member = image.Find(path);
    return member && !member->isFolder ? member : nullptr;
}

}  // namespace

bool IsDiskImage(const std::string& path)
{
    const os::OpenResult opened = os::OpenForReading(path);
    return opened.file && StartsWithBootSector(opened.file);
}

std::optional<ImagePath> SplitImagePath(const std::string& path)
{
    if (os::EntryExists(path))
        return std::nullopt;
    // Each part from the left: folders are gone through, the first plain file must be an image.
    for (std::size_t slash = path.find_first_of(os::PathSeparators, 1); slash != std::string::npos;
         slash = path.find_first_of(os::PathSeparators, slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        const os::OpenResult opened = os::OpenForReading(prefix);
        // A drive ("C:") is gone through like a folder.
        if (opened.failure == os::OpenFailure::Folder || prefix.back() == ':')
            continue;
        if (!opened.file || !StartsWithBootSector(opened.file))
            return std::nullopt;
        std::string member = path.substr(slash + 1);
        if (member.empty())
            return std::nullopt;
        // No name on the disk holds a backslash: where one stands, it separates.
        std::replace(member.begin(), member.end(), '\\', '/');
        return ImagePath{prefix, std::move(member)};
    }
    return std::nullopt;
}

std::string ShownMemberPath(const ImagePath& where)
{
    return FileNameOf(where.image) + "/" + where.member;
}

LoadedImage LoadImage(const std::string& path)
{
    const os::OpenResult opened = os::OpenForReading(path);
    if (!opened.file) {
        LoadedImage missing;
        missing.error = opened.error;
        return missing;
    }
    return LoadImage(opened.file);
}

LoadedImage LoadImage(const os::File& file)
{
    LoadedImage loaded;
    loaded.id = file.Id();
    loaded.size = file.Size();
    if (loaded.size > MaxImageBytes) {
        loaded.failure = ImageFailure::Damaged;
        loaded.damage = "Disk image is too large: a floppy image holds at most " +
                        std::to_string(MaxImageBytes / (1024 * 1024)) + " MB.";
        return loaded;
    }
    std::string bytes(static_cast<std::size_t>(loaded.size), '\0');
    if (file.ReadAt(0, bytes.data(), bytes.size(), &loaded.error) !=
        static_cast<std::int64_t>(bytes.size())) {
        loaded.failure = ImageFailure::ReadError;
        return loaded;
    }
    OpenResult image = FatImage::Open(std::move(bytes));
    if (!image.image) {
        loaded.failure = ImageFailure::Damaged;
        loaded.damage = std::move(image.error);
        return loaded;
    }
    loaded.image = std::move(image.image);
    loaded.failure = ImageFailure::None;
    return loaded;
}

os::FileId MemberId(const os::FileId& image, std::uint32_t firstCluster)
{
    // Devices are numbered far below 2^40, so the marked device of a member is no real device.
    return {image.device | (std::uint64_t{1} << 63) | (std::uint64_t{firstCluster} << 40), image.inode};
}

std::optional<os::FileId> IdentityOfAny(const std::string& path)
{
    if (std::optional<os::FileId> id = os::IdentityOf(path))
        return id;
    const std::optional<ImagePath> where = SplitImagePath(path);
    if (!where)
        return std::nullopt;
    const LoadedImage loaded = LoadImage(where->image);
    const Member* member = loaded.image ? FindFile(*loaded.image, where->member) : nullptr;
    if (!member)
        return std::nullopt;
    return MemberId(loaded.id, member->firstCluster);
}

HeadResult ReadAnyHead(const std::string& path, std::string* damage)
{
    HeadResult result = ReadHead(path);
    if (result.status != HeadStatus::NotFound)
        return result;
    const std::optional<ImagePath> where = SplitImagePath(path);
    if (!where)
        return result;

    const LoadedImage loaded = LoadImage(where->image);
    result.error = loaded.error;
    if (loaded.failure == ImageFailure::ReadError)
        result.status = HeadStatus::ReadError;
    if (loaded.failure == ImageFailure::Damaged && damage)
        *damage = loaded.damage;
    const Member* member = loaded.image ? FindFile(*loaded.image, where->member) : nullptr;
    if (!member)
        return result;
    std::string head = loaded.image->Read(*member, 0, layout::HeadSize);
    result.error = 0;
    result.status = ParseHead(head, result.slotCount);
    if (result.status == HeadStatus::Ok)
        result.image = std::move(head);
    return result;
}

std::vector<VoiceMember> VoiceMembers(const FatImage& image)
{
    std::vector<VoiceMember> found;
    for (const Member& member : image.Members()) {
        if (member.isFolder)
            continue;
        const std::string head = image.Read(member, 0, layout::HeadSize);
        int slots = 0;
        if (ParseHead(head, slots) == HeadStatus::Ok)
            found.push_back({&member, slots, static_cast<int>(layout::ListNames(head, slots).size())});
    }
    return found;
}

BlockRead AnySourceBlocks::Read(const VoiceFileEntry& entry, std::string& block)
{
    const BlockRead fromFile = m_files.Read(entry, block);
    if (fromFile.failure != WriteFailure::SourceNotFound)
        return fromFile;
    const std::optional<ImagePath> where = SplitImagePath(entry.sourcePath);
    if (!where)
        return fromFile;

    const os::OpenResult opened = os::OpenForReading(where->image);
    if (!opened.file)
        return {WriteFailure::SourceNotFound, opened.error, std::nullopt};
    if (where->image != m_imagePath || opened.file.Id() != m_image.id || opened.file.Size() != m_image.size ||
        !m_image.image) {
        m_imagePath = where->image;
        m_image = LoadImage(opened.file);
    }
    if (m_image.failure == ImageFailure::NotFound)
        return {WriteFailure::SourceNotFound, m_image.error, std::nullopt};
    if (!m_image.image)
        return {WriteFailure::SourceRead, m_image.error, std::nullopt};
    const Member* member = FindFile(*m_image.image, where->member);
    if (!member)
        return {WriteFailure::SourceNotFound, ENOENT, std::nullopt};

    block = entry.slot >= 1 ? m_image.image->Read(*member, layout::BlockOffset(entry.slot), layout::BlockSize)
                            : std::string();
    const bool read = block.size() == layout::BlockSize;
    return {read ? WriteFailure::None : WriteFailure::SourceRead, 0,
            MemberId(m_image.id, member->firstCluster)};
}

namespace {

class MemberReplacement final : public os::ReplacingFile {
public:
    MemberReplacement(std::string imagePath, std::string folder, std::string shortName, FatTime written,
                      std::optional<std::string> freshImage, os::ReplaceHooks hooks)
        : m_imagePath(std::move(imagePath)),
          m_folder(std::move(folder)),
          m_name(std::move(shortName)),
          m_written(written),
          m_fresh(std::move(freshImage)),
          m_hooks(std::move(hooks))
    {
    }

    bool Create() override
    {
        if (m_fresh) {
            OpenResult opened = FatImage::Open(std::move(*m_fresh));
            m_image = std::move(opened.image);
        } else {
            LoadedImage loaded = LoadImage(m_imagePath);
            m_error = loaded.error;
            m_imageId = loaded.id;
            m_image = std::move(loaded.image);
        }
        if (!m_image) {
            if (m_error == 0)
                m_error = EINVAL;
            return false;
        }
        m_target = os::ReplaceFile(m_imagePath, m_hooks);
        if (!m_target->Create()) {
            m_error = m_target->Error();
            return false;
        }
        return true;
    }

    bool Write(std::string_view bytes) override
    {
        m_contents.append(bytes);
        return true;
    }

    bool Commit() override
    {
        const WriteResult written = m_image->Write(m_folder, m_name, m_contents, m_written);
        if (!written.bytes) {
            m_error = ENOSPC;
            return false;
        }
        if (!m_target->Write(*written.bytes) || !m_target->Commit()) {
            m_error = m_target->Error();
            return false;
        }
        return true;
    }

    int Error() const override { return m_error; }
    // The image itself at a pipe or device: only the replacement of the image can tell.
    bool NotPlain() const override { return m_target && m_target->NotPlain(); }

    std::optional<os::FileId> Replaced() const override
    {
        if (m_fresh || !m_image)
            return std::nullopt;
        const Member* old = FindFile(*m_image, m_folder.empty() ? m_name : m_folder + "/" + m_name);
        if (!old)
            return std::nullopt;
        return MemberId(m_imageId, old->firstCluster);
    }

private:
    std::string m_imagePath;
    std::string m_folder;
    std::string m_name;
    FatTime m_written;
    std::optional<std::string> m_fresh;
    os::ReplaceHooks m_hooks;
    std::optional<FatImage> m_image;
    os::FileId m_imageId;
    std::unique_ptr<os::ReplacingFile> m_target;
    std::string m_contents;
    int m_error = 0;
};

}  // namespace

std::unique_ptr<os::ReplacingFile> ReplaceMember(const std::string& imagePath, const std::string& folder,
                                                 const std::string& shortName, const FatTime& written,
                                                 std::optional<std::string> freshImage,
                                                 const os::ReplaceHooks& hooks)
{
    return std::make_unique<MemberReplacement>(imagePath, folder, shortName, written, std::move(freshImage),
                                               hooks);
}

std::string NewFatImage(FloppySize size)
{
    // The volume serial number only tells disks apart, so the time of making will do.
    const auto serial =
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return FormatFatImage(size, serial);
}

FatTime FatTimeNow()
{
    const os::LocalTime now = os::LocalTimeNow();
    return {now.year, now.month, now.day, now.hour, now.minute, now.second};
}

}  // namespace skerrow::diskimage
