#pragma once

#include "diskimage/fat_image.h"
#include "os/os.h"
#include "voicefile/head_reader.h"
#include "voicefile/writer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Disk images as files: paths that lead into them, voice files read out of them and written into
// them. A path such as "disks/DISK01.img/BANKS/BRASS.1BK" names a member of an image as if the
// image were a folder.
namespace skerrow::diskimage {

// A floppy image is a few MB; a larger file that looks like one is a hard disk's, not ours.
inline constexpr std::uint64_t MaxImageBytes = 32ull * 1024 * 1024;

// Where a path goes into a disk image: the image file as the path names it, and the member's
// '/'-separated path inside, with "." and ".." parts resolved as a path's are ("" for the root
// folder). file is the image as the split opened it, so that a use reads it without opening it
// again.
struct ImagePath {
    std::string image;
    std::string member;
    bool folderOnly = false;  // the path ended in a separator: only a folder may be named
    std::shared_ptr<const os::File> file;
};

// Whether path names a plain file that starts with a FAT boot sector, whatever its name.
bool IsDiskImage(const std::string& path);

// Splits path at the disk image it enters. The real file system comes first: a path that names
// something there gives nothing, and so does one whose first part that is no folder is anything
// but a disk image.
std::optional<ImagePath> SplitImagePath(const std::string& path);

// path with its image shown by file name only: "DISK01.img/BANKS/BRASS.1BK", for a caption.
std::string ShownMemberPath(const ImagePath& where);

enum class ImageFailure { None, NotFound, ReadError, Damaged };

// A disk image read whole from its file.
struct LoadedImage {
    std::optional<FatImage> image;
    os::FileId id;
    std::uint64_t size = 0;
    ImageFailure failure = ImageFailure::NotFound;
    int error = 0;       // the system's error number of NotFound and ReadError
    std::string damage;  // why the bytes are no usable image, for Damaged
    // The file it was read from, held so that a later step can tell whether it changed since
    // without opening it again.
    std::shared_ptr<const os::File> file;

    // Whether the file at path is still the one read, as it was read.
    bool Unchanged(const std::string& path) const;
};

LoadedImage LoadImage(const std::string& path);
// The same for a file already open.
LoadedImage LoadImage(std::shared_ptr<const os::File> file);
// The image a split went into, read through the file the split opened.
LoadedImage LoadImage(const ImagePath& where);

// The member a path inside an image names as a voice file would be opened: a file, not a folder
// (error says which, as the system would: ENOENT, EISDIR or ENOTDIR).
const Member* FindFile(const FatImage& image, const ImagePath& where, int* error = nullptr);

// The identity a member has for telling files apart: its image's, marked as a member's, with the
// member's first cluster, which no other member of the image shares.
os::FileId MemberId(const os::FileId& image, std::uint32_t firstCluster);

// The identity of whatever path names, a member of a disk image included; nothing when nothing is there.
std::optional<os::FileId> IdentityOfAny(const std::string& path);

// The head of the voice file at path, which may lead into a disk image, checked as ReadHead checks
// a file's. A damaged image comes back as NotFound with damage saying what is wrong with it.
// *where is set to the split of a path that goes into an image, so that the caller need not
// split it again.
HeadResult ReadAnyHead(const std::string& path, std::string* damage = nullptr,
                       std::optional<ImagePath>* where = nullptr);

// A voice file inside an image: a member whose head passes the checks.
struct VoiceMember {
    const Member* member = nullptr;
    int slots = 0;
    int voices = 0;  // names listed up to the first empty one
};

// Every voice file in the image, in any folder, in the order of Members().
std::vector<VoiceMember> VoiceMembers(const FatImage& image);

// Voice blocks from plain files and from voice files inside disk images, for one save. Each path
// is split once, and each image read once: again only when the file at its path is no longer the
// one read or changed since, so that a save from one image does not read it for every voice,
// while an image that vanished or changed is still noticed.
class AnySourceBlocks final : public BlockSource {
public:
    BlockRead Read(const VoiceFileEntry& entry, std::string& block) override;

    // The identity of whatever path names, a member of a disk image included, through the same
    // splits and reads as the blocks; nothing when nothing is there.
    std::optional<os::FileId> IdentityOf(const std::string& path);

    // Takes an image already read in this save (the one being saved into), so that blocks from it
    // do not read it again.
    void Adopt(const std::string& path, std::shared_ptr<const LoadedImage> image);

private:
    const std::optional<ImagePath>& Split(const std::string& path);
    const LoadedImage& Load(const ImagePath& where);

    FileBlockSource m_files;
    std::map<std::string, std::optional<ImagePath>> m_splits;
    std::map<std::string, std::shared_ptr<const LoadedImage>> m_images;
};

// A file inside a disk image, written like any replaced file: the new contents are gathered, put
// into a copy of image (as read from imagePath), and the image file is replaced safely with that
// copy on Commit, unless the file at imagePath is no longer the one read or changed since (EAGAIN).
// With fresh set, image is a new one made in memory: the image file is created and never replaces
// a file that appeared at imagePath meanwhile.
std::unique_ptr<os::ReplacingFile> ReplaceMember(const std::string& imagePath,
                                                 std::shared_ptr<const LoadedImage> image, bool fresh,
                                                 const std::string& folder, const std::string& shortName,
                                                 const FatTime& written, const os::ReplaceHooks& hooks = {});

// A new empty image of a standard floppy size, with a volume serial number from the clock.
std::string NewFatImage(FloppySize size);

// The time of day as a folder entry keeps it.
FatTime FatTimeNow();

}  // namespace skerrow::diskimage
