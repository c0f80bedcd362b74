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

}  // namespace

bool IsDiskImage(const std::string& path)
{
    const os::OpenResult opened = os::OpenForReading(path);
    return opened.file && StartsWithBootSector(opened.file);
}

namespace {

// The parts of a path inside an image as a path's are taken: empty parts and "." stand for the
// folder they are in, ".." for the one above it (the root's is the root).
std::string ResolvedMember(std::string_view member)
{
    std::vector<std::string_view> parts;
    while (!member.empty()) {
        const std::size_t slash = member.find('/');
        const std::string_view part = member.substr(0, slash);
        member = slash == std::string_view::npos ? std::string_view{} : member.substr(slash + 1);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string joined;
    for (const std::string_view part : parts)
        joined.append(joined.empty() ? "" : "/").append(part);
    return joined;
}

}  // namespace

std::optional<ImagePath> SplitImagePath(const std::string& path)
{
    if (os::EntryExists(path))
        return std::nullopt;
    // Each part from the left, after the root (a drive, a share, a "\\?\" prefix): folders are
    // gone through, the first plain file must be an image.
    for (std::size_t slash =
             path.find_first_of(os::PathSeparators, std::max<std::size_t>(PathRootLength(path), 1));
         slash != std::string::npos; slash = path.find_first_of(os::PathSeparators, slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        os::OpenResult opened = os::OpenForReading(prefix);
        if (opened.failure == os::OpenFailure::Folder)
            continue;
        if (!opened.file || !StartsWithBootSector(opened.file))
            return std::nullopt;
        std::string member = path.substr(slash + 1);
        // No name on the disk holds a backslash: where one stands, it separates.
        std::replace(member.begin(), member.end(), '\\', '/');
        const bool folderOnly = member.empty() || member.back() == '/';
        return ImagePath{prefix, ResolvedMember(member), folderOnly,
                         std::make_shared<const os::File>(std::move(opened.file))};
    }
    return std::nullopt;
}

std::string ShownMemberPath(const ImagePath& where)
{
    return FileNameOf(where.image) + "/" + where.member;
}

bool LoadedImage::Unchanged(const std::string& path) const
{
    os::FileId now;
    std::uint64_t size = 0;
    return file && file->Refresh(now, size) && now == id && size == this->size && os::IdentityOf(path) == id;
}

LoadedImage LoadImage(const std::string& path)
{
    os::OpenResult opened = os::OpenForReading(path);
    if (!opened.file) {
        LoadedImage missing;
        missing.error = opened.error;
        return missing;
    }
    return LoadImage(std::make_shared<const os::File>(std::move(opened.file)));
}

LoadedImage LoadImage(const ImagePath& where)
{
    return where.file ? LoadImage(where.file) : LoadImage(where.image);
}

const Member* FindFile(const FatImage& image, const ImagePath& where, int* error)
{
    const Member* member = where.member.empty() ? nullptr : image.Find(where.member);
    const int why = !member            ? (where.member.empty() ? EISDIR : ENOENT)
                    : member->isFolder ? EISDIR
                    : where.folderOnly ? ENOTDIR
                                       : 0;
    if (error)
        *error = why;
    return why == 0 ? member : nullptr;
}

LoadedImage LoadImage(std::shared_ptr<const os::File> held)
{
    LoadedImage loaded;
    const os::File& file = *held;
    loaded.file = std::move(held);
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
    return AnySourceBlocks().IdentityOf(path);
}

HeadResult ReadAnyHead(const std::string& path, std::string* damage, std::optional<ImagePath>* split)
{
    HeadResult result = ReadHead(path);
    if (result.status != HeadStatus::NotFound)
        return result;
    std::optional<ImagePath> where = SplitImagePath(path);
    if (!where)
        return result;

    const LoadedImage loaded = LoadImage(*where);
    result.error = loaded.error;
    if (loaded.failure == ImageFailure::ReadError)
        result.status = HeadStatus::ReadError;
    if (loaded.failure == ImageFailure::Damaged && damage)
        *damage = loaded.damage;
    int missing = 0;
    const Member* member = loaded.image ? FindFile(*loaded.image, *where, &missing) : nullptr;
    // A member that is not there is told as before, without a reason; a folder named as a file is
    // told as the system tells it.
    if (missing != ENOENT && missing != 0)
        result.error = missing;
    if (split)
        *split = std::move(where);
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

const std::optional<ImagePath>& AnySourceBlocks::Split(const std::string& path)
{
    const auto known = m_splits.find(path);
    if (known != m_splits.end())
        return known->second;
    return m_splits.emplace(path, SplitImagePath(path)).first->second;
}

const LoadedImage& AnySourceBlocks::Load(const ImagePath& where)
{
    std::shared_ptr<const LoadedImage>& held = m_images[where.image];
    if (!held || !held->image || !held->Unchanged(where.image)) {
        // The split's own opening is used for the first read only: later ones must see the file
        // that is there now.
        held = std::make_shared<const LoadedImage>(held ? LoadImage(where.image) : LoadImage(where));
    }
    return *held;
}

void AnySourceBlocks::Adopt(const std::string& path, std::shared_ptr<const LoadedImage> image)
{
    m_images[path] = std::move(image);
}

std::optional<os::FileId> AnySourceBlocks::IdentityOf(const std::string& path)
{
    if (std::optional<os::FileId> id = os::IdentityOf(path))
        return id;
    const std::optional<ImagePath>& where = Split(path);
    if (!where)
        return std::nullopt;
    const LoadedImage& loaded = Load(*where);
    const Member* member = loaded.image ? FindFile(*loaded.image, *where) : nullptr;
    if (!member)
        return std::nullopt;
    return MemberId(loaded.id, member->firstCluster);
}

BlockRead AnySourceBlocks::Read(const VoiceFileEntry& entry, std::string& block)
{
    // A plain file is read as such at once: only a path that names none is split, and once.
    const auto known = m_splits.find(entry.sourcePath);
    if (known == m_splits.end()) {
        const BlockRead fromFile = m_files.Read(entry, block);
        if (fromFile.failure != WriteFailure::SourceNotFound) {
            m_splits.emplace(entry.sourcePath, std::nullopt);
            return fromFile;
        }
    }
    const std::optional<ImagePath>& where = known != m_splits.end() ? known->second : Split(entry.sourcePath);
    if (!where)
        return m_files.Read(entry, block);

    const LoadedImage& loaded = Load(*where);
    if (loaded.failure == ImageFailure::NotFound)
        return {WriteFailure::SourceNotFound, loaded.error, std::nullopt};
    if (!loaded.image)
        return {WriteFailure::SourceRead, loaded.error, std::nullopt};
    int error = 0;
    const Member* member = FindFile(*loaded.image, *where, &error);
    if (!member)
        return {WriteFailure::SourceNotFound, error, std::nullopt};
    return ReadBlock(
        [&](std::uint64_t offset, char* data, std::size_t size, int*) {
            const std::string bytes = loaded.image->Read(*member, offset, size);
            bytes.copy(data, bytes.size());
            return static_cast<std::int64_t>(bytes.size());
        },
        entry.slot, block, MemberId(loaded.id, member->firstCluster));
}

namespace {

class MemberReplacement final : public os::ReplacingFile {
public:
    MemberReplacement(std::string imagePath, std::shared_ptr<const LoadedImage> image, bool fresh,
                      std::string folder, std::string shortName, FatTime written, os::ReplaceHooks hooks)
        : m_imagePath(std::move(imagePath)),
          m_image(std::move(image)),
          m_fresh(fresh),
          m_folder(std::move(folder)),
          m_name(std::move(shortName)),
          m_written(written),
          m_hooks(std::move(hooks))
    {
    }

    bool Create() override
    {
        if (!m_image || !m_image->image) {
            m_error = m_image && m_image->error != 0 ? m_image->error : EINVAL;
            return false;
        }
        m_target = os::ReplaceFile(m_imagePath, m_hooks,
                                   m_fresh ? os::ReplaceMode::NewOnly : os::ReplaceMode::Replace);
        if (!m_target->Create()) {
            m_error = m_target->Error();
            return false;
        }
        // What is replaced must be the image that was read, as it was read.
        if (!m_fresh && !Unchanged()) {
            m_error = EAGAIN;
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
        if (!m_fresh && !Unchanged()) {
            m_error = EAGAIN;
            return false;
        }
        const WriteResult written = m_image->image->Write(m_folder, m_name, m_contents, m_written);
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
        if (m_fresh || !m_image || !m_image->image)
            return std::nullopt;
        const Member* old = m_image->image->Find(m_folder.empty() ? m_name : m_folder + "/" + m_name);
        if (!old || old->isFolder)
            return std::nullopt;
        return MemberId(m_image->id, old->firstCluster);
    }

private:
    bool Unchanged() const { return m_target->Replaced() == m_image->id && m_image->Unchanged(m_imagePath); }

    std::string m_imagePath;
    std::shared_ptr<const LoadedImage> m_image;
    bool m_fresh;
    std::string m_folder;
    std::string m_name;
    FatTime m_written;
    os::ReplaceHooks m_hooks;
    std::unique_ptr<os::ReplacingFile> m_target;
    std::string m_contents;
    int m_error = 0;
};

}  // namespace

std::unique_ptr<os::ReplacingFile> ReplaceMember(const std::string& imagePath,
                                                 std::shared_ptr<const LoadedImage> image, bool fresh,
                                                 const std::string& folder, const std::string& shortName,
                                                 const FatTime& written, const os::ReplaceHooks& hooks)
{
    return std::make_unique<MemberReplacement>(imagePath, std::move(image), fresh, folder, shortName, written,
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
