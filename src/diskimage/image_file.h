#pragma once

#include "diskimage/fat_image.h"
#include "os/os.h"
#include "voicefile/head_reader.h"
#include "voicefile/writer.h"

#include <cstdint>
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
// '/'-separated path inside.
struct ImagePath {
    std::string image;
    std::string member;
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
};

LoadedImage LoadImage(const std::string& path);
// The same for a file already open.
LoadedImage LoadImage(const os::File& file);

// The identity a member has for telling files apart: its image's, marked as a member's, with the
// member's first cluster, which no other member of the image shares.
os::FileId MemberId(const os::FileId& image, std::uint32_t firstCluster);

// The identity of whatever path names, a member of a disk image included; nothing when nothing is there.
std::optional<os::FileId> IdentityOfAny(const std::string& path);

// The head of the voice file at path, which may lead into a disk image, checked as ReadHead checks
// a file's. A damaged image comes back as NotFound with damage saying what is wrong with it.
HeadResult ReadAnyHead(const std::string& path, std::string* damage = nullptr);

// A voice file inside an image: a member whose head passes the checks.
struct VoiceMember {
    const Member* member = nullptr;
    int slots = 0;
    int voices = 0;  // names listed up to the first empty one
};

// Every voice file in the image, in any folder, in the order of Members().
std::vector<VoiceMember> VoiceMembers(const FatImage& image);

// Voice blocks from plain files and from voice files inside disk images. An image is read again
// only when its identity or size changed since the last block, so that a save from one image does
// not read the whole image for every voice, while an image that vanished is still noticed.
class AnySourceBlocks final : public BlockSource {
public:
    BlockRead Read(const VoiceFileEntry& entry, std::string& block) override;

private:
    FileBlockSource m_files;
    std::string m_imagePath;
    LoadedImage m_image;
};

// A file inside a disk image, written like any replaced file: the new contents are gathered, put
// into a copy of the image, and the image file is replaced safely with that copy on Commit. With
// freshImage the image is made anew from those bytes instead of being read from imagePath.
std::unique_ptr<os::ReplacingFile> ReplaceMember(const std::string& imagePath, const std::string& folder,
                                                 const std::string& shortName, const FatTime& written,
                                                 std::optional<std::string> freshImage = std::nullopt,
                                                 const os::ReplaceHooks& hooks = {});

// A new empty image of a standard floppy size, with a volume serial number from the clock.
std::string NewFatImage(FloppySize size);

// The time of day as a folder entry keeps it.
FatTime FatTimeNow();

}  // namespace skerrow::diskimage
