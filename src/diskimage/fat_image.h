#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// FAT12 and FAT16 disk images, held whole in memory (a floppy is a few MB at most): reading the
// folders and the files in them, and making a changed copy of the image with one file added or
// replaced. Nothing here touches a file: the caller reads the image's bytes and writes the bytes
// that come back, so that a write can go through a safe replace. Failures are returned as text.
namespace skerrow::diskimage {

// A folder entry's date and time, to the two seconds FAT keeps.
struct FatTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const FatTime&, const FatTime&) = default;
};

// A file or a folder inside the image.
struct Member {
    std::string path;       // folders and name joined by '/', each the shown name, e.g. "BANKS/Brass.1bk"
    std::string name;       // the long name when the entry has one, else the short name as shown
    std::string shortName;  // the 8.3 name as stored, e.g. "BRASS.1BK"
    std::string longName;   // the long name in UTF-8; empty when the entry has none
    bool isFolder = false;
    bool readOnly = false;           // the read-only attribute: the owner's "do not change this"
    std::uint32_t size = 0;          // bytes; 0 for a folder
    std::uint32_t firstCluster = 0;  // 0 for an empty file; with the image it identifies the member
    std::uint32_t entryOffset = 0;   // where the member's 32-byte folder entry lies in the image
    FatTime written;
};

enum class FloppySize { Kb720, Kb1440 };

// The numbers a boot sector gives and those that follow from them.
struct FatGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t rootEntries = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    bool fat12 = true;
    std::uint32_t clusterBytes = 0;
    std::uint32_t clusterCount = 0;  // data clusters, numbered 2 to clusterCount + 1
    std::uint64_t fatOffset = 0;
    std::uint64_t rootOffset = 0;
    std::uint64_t dataOffset = 0;
    std::uint64_t imageBytes = 0;  // the size the boot sector gives the whole image
};

// Whether a file that starts with these bytes is meant as a FAT disk image: a jump instruction
// and the boot signature in its first sector (the open checks the numbers between them). Needs
// only the first 512 bytes, so that a caller can tell an image from a voice file cheaply.
bool LooksLikeFatImage(std::string_view firstBytes);

struct OpenResult;
struct WriteResult;

class FatImage {
public:
    // Reads the whole image: every folder, every long name, every cluster chain. An image that
    // is not FAT12 or FAT16, or is damaged in any way that could make a read or a later write go
    // wrong, is refused with a message saying what is wrong. An image whose copies of the FAT
    // differ is read through the first and refused by Write.
    static OpenResult Open(std::string bytes);

    const FatGeometry& Geometry() const { return m_geometry; }
    const std::string& Bytes() const { return m_bytes; }
    // Files and folders, each folder's entries in disk order, the root folder's first.
    const std::vector<Member>& Members() const { return m_members; }

    // The member at a path, each part matched without regard to ASCII case against the shown
    // name or the short name; nothing when there is none.
    const Member* Find(std::string_view path) const;

    // Up to length bytes of a file from offset on; fewer at its end, none past it.
    std::string Read(const Member& file, std::uint64_t offset, std::size_t length) const;
    std::string ReadAll(const Member& file) const { return Read(file, 0, file.size); }

    // Bytes of free clusters.
    std::uint64_t FreeBytes() const;

    // The bytes of a copy of this image in which the folder at folderPath ("" for the root)
    // holds a file of the typed 8.3 name with these contents, written at the given time. A file
    // of that name there is replaced in its own folder entry, so its long name stays; everything
    // else (boot sector, other files and their dates, the volume label, the size) is kept. The
    // name, the free space and a free folder entry are checked before anything is made: a
    // refused write returns only a message, "Disk image is full" when the clusters run short.
    WriteResult Write(std::string_view folderPath, std::string_view typedName, std::string_view contents,
                      const FatTime& now) const;
    // What Write of size bytes would say, without making the copy: the refusal, or the name and
    // the file replaced. For asking the user before anything is gathered.
    WriteResult CheckWrite(std::string_view folderPath, std::string_view typedName, std::uint64_t size) const;

    // Whether name (one part of a path) names the member: its shown name or its short name,
    // without regard to ASCII case. Opening and writing both go by this rule.
    static bool Matches(const Member& member, std::string_view name);

private:
    struct Plan;
    FatImage() = default;
    std::optional<Plan> MakePlan(std::string_view folderPath, std::string_view typedName, std::uint64_t size,
                                 WriteResult& result) const;

    std::string m_bytes;
    FatGeometry m_geometry;
    bool m_fatCopiesDiffer = false;
    std::vector<Member> m_members;
};

struct OpenResult {
    std::optional<FatImage> image;
    std::string error;  // set when image is empty
};

struct WriteResult {
    std::optional<std::string> bytes;  // the new image
    std::string error;                 // set when bytes is empty
    std::string name;                  // the 8.3 name written, as shown
    std::string path;                  // the file's path on the disk as opening shows it
    bool replaced = false;             // a file of that name was there before
    bool readOnly = false;             // it was, and its read-only attribute refused the write
};

// A new empty image of a standard floppy size: 720 KB (2 sectors a cluster, 2 FATs of 3
// sectors, 112 root entries, 1,440 sectors, media 0xF9, 9 sectors a track, 2 heads) or
// 1.44 MB (1 sector a cluster, 2 FATs of 9 sectors, 224 root entries, 2,880 sectors, media
// 0xF0, 18 sectors a track, 2 heads). The serial number is the volume's identity; callers
// derive it from the time.
std::string FormatFatImage(FloppySize size, std::uint32_t volumeSerial);

}  // namespace skerrow::diskimage
