#include "diskimage/fat_image.h"

#include "core/ascii.h"
#include "diskimage/short_name.h"

#include <algorithm>
#include <array>
#include <set>

namespace skerrow::diskimage {
namespace {

constexpr std::size_t SectorSize = 512;
constexpr std::size_t EntrySize = 32;
constexpr unsigned char Deleted = 0xE5;
constexpr unsigned char AttrReadOnly = 0x01;
constexpr unsigned char AttrHidden = 0x02;
constexpr unsigned char AttrSystem = 0x04;
constexpr unsigned char AttrVolume = 0x08;
constexpr unsigned char AttrFolder = 0x10;
constexpr unsigned char AttrArchive = 0x20;
constexpr unsigned char AttrLongName = AttrReadOnly | AttrHidden | AttrSystem | AttrVolume;
constexpr std::size_t LongNameChars = 13;
constexpr std::array<std::size_t, LongNameChars> LongNameCharOffsets{1,  3,  5,  7,  9,  14, 16,
                                                                     18, 20, 22, 24, 28, 30};

unsigned Byte(std::string_view bytes, std::uint64_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}

unsigned Le16(std::string_view bytes, std::uint64_t at)
{
    return Byte(bytes, at) | Byte(bytes, at + 1) << 8;
}

std::uint32_t Le32(std::string_view bytes, std::uint64_t at)
{
    return Le16(bytes, at) | static_cast<std::uint32_t>(Le16(bytes, at + 2)) << 16;
}

void Put16(std::string& bytes, std::uint64_t at, unsigned value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& bytes, std::uint64_t at, std::uint32_t value)
{
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

std::uint32_t FatEntry(std::string_view bytes, const FatGeometry& g, std::uint32_t cluster)
{
    if (!g.fat12)
        return Le16(bytes, g.fatOffset + 2ULL * cluster);
    const unsigned pair = Le16(bytes, g.fatOffset + cluster + cluster / 2);
    return cluster % 2 ? pair >> 4 : pair & 0xFFF;
}

// Every copy of the FAT gets the same change, so that the copies stay alike.
void SetFatEntry(std::string& bytes, const FatGeometry& g, std::uint32_t cluster, std::uint32_t value)
{
    for (std::uint32_t copy = 0; copy < g.fatCount; ++copy) {
        const std::uint64_t fat =
            g.fatOffset + static_cast<std::uint64_t>(copy) * g.sectorsPerFat * g.bytesPerSector;
        if (!g.fat12) {
            Put16(bytes, fat + 2ULL * cluster, value);
            continue;
        }
        const std::uint64_t at = fat + cluster + cluster / 2;
        const unsigned pair = Le16(bytes, at);
        Put16(bytes, at, cluster % 2 ? (pair & 0x000F) | value << 4 : (pair & 0xF000) | value);
    }
}

std::uint32_t EndOfChain(const FatGeometry& g)
{
    return g.fat12 ? 0xFFF : 0xFFFF;
}

bool EndsChain(const FatGeometry& g, std::uint32_t value)
{
    return value >= (g.fat12 ? 0xFF8U : 0xFFF8U);
}

std::uint32_t LastCluster(const FatGeometry& g)
{
    return g.clusterCount + 1;
}

std::uint64_t ClusterOffset(const FatGeometry& g, std::uint32_t cluster)
{
    return g.dataOffset + static_cast<std::uint64_t>(cluster - 2) * g.clusterBytes;
}

// The clusters of a chain the open has checked. The bounds only keep a chain that was not checked
// (a member of another image, say) from running off the FAT or for ever.
std::vector<std::uint32_t> ChainOf(std::string_view bytes, const FatGeometry& g, std::uint32_t first)
{
    std::vector<std::uint32_t> chain;
    for (std::uint32_t cluster = first;
         cluster >= 2 && cluster <= LastCluster(g) && chain.size() < g.clusterCount;
         cluster = FatEntry(bytes, g, cluster))
        chain.push_back(cluster);
    return chain;
}

std::string Damaged(const std::string& what)
{
    return "Damaged disk image: " + what + ".";
}

// A path inside the image as a message names it. A path thousands of folders deep (a crafted
// image) is shown by its first and last folders, so that the message names the place and stays
// a line a user can read.
std::string Quoted(const std::string& path)
{
    if (path.empty())
        return "the root folder";
    constexpr std::size_t Longest = 160;
    if (path.size() <= Longest)
        return "\"" + path + "\"";
    const std::size_t head = path.find('/');
    std::size_t tail = path.rfind('/');
    if (tail != std::string::npos && tail > 0)
        tail = path.rfind('/', tail - 1);
    const std::size_t depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/')) + 1;
    const std::string first = path.substr(0, std::min(head, Longest / 2));
    const std::string last = path.substr(std::max(tail + 1, path.size() - Longest / 2));
    return "\"" + first + "/.../" + last + "\" (" + std::to_string(depth) + " folders deep)";
}

std::string Hex(unsigned value)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = value > 0xFFF ? 12 : 8; shift >= 0; shift -= 4)
        text += Digits[value >> shift & 0xF];
    return text;
}

std::string Plural(std::uint64_t count, const std::string& what)
{
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// The boot sector's numbers, or a message when they describe no FAT12 or FAT16 image that fits
// in the bytes there are. Every number fsck.fat refuses is refused here too, naming the field:
// a write into an image whose FATs or root folder are not where the boot sector says would land
// on other files.
std::optional<FatGeometry> ParseBootSector(std::string_view bytes, std::string& error)
{
    if (!LooksLikeFatImage(bytes)) {
        error = "Not a disk image: its first sector is no FAT boot sector.";
        return std::nullopt;
    }
    FatGeometry g;
    g.bytesPerSector = Le16(bytes, 11);
    g.sectorsPerCluster = Byte(bytes, 13);
    g.reservedSectors = Le16(bytes, 14);
    g.fatCount = Byte(bytes, 16);
    g.rootEntries = Le16(bytes, 17);
    g.totalSectors = Le16(bytes, 19) != 0 ? Le16(bytes, 19) : Le32(bytes, 32);
    g.sectorsPerFat = Le16(bytes, 22);
    const auto refuse = [&](const std::string& what) {
        error = Damaged(what);
        return std::nullopt;
    };
    if (g.bytesPerSector == 0 || g.bytesPerSector % SectorSize != 0 || g.bytesPerSector > 4096)
        return refuse("the boot sector gives " + Plural(g.bytesPerSector, "byte") + " a sector");
    if (g.sectorsPerCluster == 0)
        return refuse("the boot sector gives 0 sectors a cluster");
    if (g.reservedSectors == 0)
        return refuse("the boot sector gives 0 reserved sectors, leaving none for itself");
    if (g.fatCount != 1 && g.fatCount != 2)
        return refuse("the boot sector gives " + Plural(g.fatCount, "FAT") + "; only 1 or 2 can be");
    if (g.sectorsPerFat == 0) {
        error = "FAT32 disk images are not supported.";
        return std::nullopt;
    }
    if (g.rootEntries == 0)
        return refuse("the boot sector gives the root folder no entries");
    if (g.rootEntries % (SectorSize / EntrySize) != 0)
        return refuse("the boot sector gives the root folder " + std::to_string(g.rootEntries) +
                      " entries, which do not fill whole sectors");
    const std::uint64_t rootSectors = (g.rootEntries * EntrySize + g.bytesPerSector - 1) / g.bytesPerSector;
    const std::uint64_t systemSectors =
        g.reservedSectors + static_cast<std::uint64_t>(g.fatCount) * g.sectorsPerFat + rootSectors;
    if (g.totalSectors < systemSectors + g.sectorsPerCluster)
        return refuse("the boot sector's sizes leave no room for files (" + Plural(g.totalSectors, "sector") +
                      " in all, " + std::to_string(systemSectors) + " before the first cluster)");
    g.clusterBytes = g.bytesPerSector * g.sectorsPerCluster;
    g.clusterCount = static_cast<std::uint32_t>((g.totalSectors - systemSectors) / g.sectorsPerCluster);
    if (g.clusterCount >= 65525) {
        error = "FAT32 disk images are not supported.";
        return std::nullopt;
    }
    g.fat12 = g.clusterCount < 4085;
    const std::uint64_t fatBytes = static_cast<std::uint64_t>(g.sectorsPerFat) * g.bytesPerSector;
    const std::uint64_t fatEntries = g.fat12 ? fatBytes * 2 / 3 : fatBytes / 2;
    if (fatEntries < g.clusterCount + 2ULL)
        return refuse("its FAT is too small for its clusters (" + Plural(g.sectorsPerFat, "sector") +
                      " with room for " +
                      std::to_string(fatEntries - std::min<std::uint64_t>(fatEntries, 2)) + ", " +
                      std::to_string(g.clusterCount) + " needed)");
    g.fatOffset = static_cast<std::uint64_t>(g.reservedSectors) * g.bytesPerSector;
    g.rootOffset = g.fatOffset + g.fatCount * fatBytes;
    g.dataOffset = g.rootOffset + rootSectors * g.bytesPerSector;
    g.imageBytes = static_cast<std::uint64_t>(g.totalSectors) * g.bytesPerSector;
    if (bytes.size() < g.imageBytes)
        return refuse("it is cut short, " + std::to_string(bytes.size()) + " bytes of " +
                      std::to_string(g.imageBytes));
    // The first entry of a FAT repeats the media byte with every higher bit set. Without it the
    // boot sector does not say where the FAT lies.
    const std::uint32_t marker = g.fat12 ? 0xFF0 : 0xFFF0;
    if ((FatEntry(bytes, g, 0) & marker) != marker)
        return refuse("the first FAT entry holds no media byte (" + Hex(FatEntry(bytes, g, 0)) + ")");
    return g;
}

// Whether every copy of the FAT holds what the first holds. Reading uses the first alone; a write
// would make the copies alike again and so decide between them, which is the owner's to do.
bool FatCopiesAgree(std::string_view bytes, const FatGeometry& g)
{
    const std::uint64_t fatBytes = static_cast<std::uint64_t>(g.sectorsPerFat) * g.bytesPerSector;
    const std::string_view first = bytes.substr(g.fatOffset, fatBytes);
    for (std::uint32_t copy = 1; copy < g.fatCount; ++copy)
        if (bytes.substr(g.fatOffset + copy * fatBytes, fatBytes) != first)
            return false;
    return true;
}

FatTime DecodeTime(unsigned date, unsigned time)
{
    return FatTime{.year = 1980 + static_cast<int>(date >> 9),
                   .month = static_cast<int>(date >> 5 & 0x0F),
                   .day = static_cast<int>(date & 0x1F),
                   .hour = static_cast<int>(time >> 11),
                   .minute = static_cast<int>(time >> 5 & 0x3F),
                   .second = static_cast<int>(time & 0x1F) * 2};
}

unsigned EncodeDate(const FatTime& t)
{
    const int year = std::clamp(t.year, 1980, 2107);
    return static_cast<unsigned>((year - 1980) << 9 | std::clamp(t.month, 1, 12) << 5 |
                                 std::clamp(t.day, 1, 31));
}

unsigned EncodeTime(const FatTime& t)
{
    return static_cast<unsigned>(std::clamp(t.hour, 0, 23) << 11 | std::clamp(t.minute, 0, 59) << 5 |
                                 std::clamp(t.second, 0, 59) / 2);
}

// UTF-8 of a long name, or nothing when it holds what no long name may (a control character, an
// unpaired surrogate, one of "*/:<>?\|): such a name is ignored, as if the entry had none.
std::string LongNameText(const std::u16string& chars)
{
    std::string text;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        std::uint32_t c = chars[i];
        if (c == 0 || c == 0xFFFF)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < chars.size() && chars[i + 1] >= 0xDC00 &&
            chars[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (chars[++i] - 0xDC00);
        else if ((c >= 0xD800 && c <= 0xDFFF) || c < 0x20 ||
                 std::u16string_view(u"\"*/:<>?\\|").find(static_cast<char16_t>(c)) !=
                     std::u16string_view::npos)
            return {};
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | c >> 12);
            text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | c >> 18);
            text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

// Gathers the long-name entries that come before a short entry: the last part first, numbered
// down to 1, each with the checksum of the short name. Anything out of order drops the name.
class LongNameParts {
public:
    void Add(std::string_view entry)
    {
        const unsigned sequence = Byte(entry, 0);
        const unsigned number = sequence & 0x1F;
        if (sequence & 0x40) {
            m_chars.assign(number * LongNameChars, u'\0');
            m_checksum = Byte(entry, 13);
            m_next = number;
        } else if (m_next == 0 || number != m_next || Byte(entry, 13) != m_checksum) {
            Reset();
            return;
        }
        if (number == 0) {
            Reset();
            return;
        }
        for (std::size_t i = 0; i < LongNameChars; ++i)
            m_chars[(number - 1) * LongNameChars + i] =
                static_cast<char16_t>(Le16(entry, LongNameCharOffsets[i]));
        m_next = number - 1;
    }

    // The long name of the short entry that follows the parts, if they belong to it.
    std::string Take(std::string_view shortField)
    {
        std::string text;
        if (!m_chars.empty() && m_next == 0 && m_checksum == ShortNameChecksum(shortField))
            text = LongNameText(m_chars);
        Reset();
        return text;
    }

    void Reset()
    {
        m_chars.clear();
        m_next = 0;
    }

private:
    std::u16string m_chars;
    unsigned m_checksum = 0;
    unsigned m_next = 0;
};

std::string ParentOf(const Member& m)
{
    return m.path.size() > m.name.size() ? m.path.substr(0, m.path.size() - m.name.size() - 1)
                                         : std::string();
}

// Reads every folder of an image whose boot sector has been checked, following and checking every
// cluster chain. Each cluster may belong to one file or folder only, which catches loops within
// a chain, clusters shared by two files and folders that lead back into their own ancestors.
class Walker {
public:
    Walker(std::string_view bytes, const FatGeometry& g)
        : m_bytes(bytes), m_g(g), m_owner(LastCluster(g) + 1, 0)
    {
    }

    bool Walk(std::vector<Member>& members, std::string& error)
    {
        struct Folder {
            std::string path;
            std::vector<std::uint64_t> slots;
        };
        std::vector<Folder> folders(1);
        for (std::uint32_t i = 0; i < m_g.rootEntries; ++i)
            folders[0].slots.push_back(m_g.rootOffset + i * EntrySize);
        for (std::size_t f = 0; f < folders.size(); ++f) {
            LongNameParts longName;
            std::set<std::string> names;  // ASCII lower case, as a path part is matched
            // A folder may grow below while its own entries are read, so no reference is kept.
            for (std::size_t s = 0; s < folders[f].slots.size(); ++s) {
                const std::uint64_t at = folders[f].slots[s];
                const std::string_view entry = m_bytes.substr(at, EntrySize);
                const unsigned first = Byte(entry, 0);
                const unsigned attributes = Byte(entry, 11);
                if (first == 0)
                    break;
                if (first == Deleted) {
                    longName.Reset();
                } else if ((attributes & 0x3F) == AttrLongName) {
                    longName.Add(entry);
                } else if ((attributes & AttrVolume) || first == '.') {
                    longName.Reset();
                } else {
                    Member m =
                        MakeMember(entry, at, folders[f].path, longName.Take(entry.substr(0, ShortNameSize)));
                    std::vector<std::uint32_t> chain;
                    if (!Unique(m, folders[f].path, names, error) || !Check(m, chain, error))
                        return false;
                    if (m.isFolder) {
                        Folder sub{.path = m.path, .slots = {}};
                        for (std::uint32_t cluster : chain)
                            for (std::uint32_t i = 0; i < m_g.clusterBytes / EntrySize; ++i)
                                sub.slots.push_back(ClusterOffset(m_g, cluster) + i * EntrySize);
                        folders.push_back(std::move(sub));
                    }
                    members.push_back(std::move(m));
                }
            }
        }
        return true;
    }

private:
    Member MakeMember(std::string_view entry, std::uint64_t at, const std::string& folder,
                      std::string longName)
    {
        Member m;
        const std::string_view field = entry.substr(0, ShortNameSize);
        m.shortName = ShownShortName(field);
        m.longName = std::move(longName);
        m.name = m.longName.empty() ? ShownShortName(field, static_cast<unsigned char>(Byte(entry, 12)))
                                    : m.longName;
        m.path = folder.empty() ? m.name : folder + "/" + m.name;
        m.isFolder = (Byte(entry, 11) & AttrFolder) != 0;
        m.readOnly = (Byte(entry, 11) & AttrReadOnly) != 0;
        m.size = m.isFolder ? 0 : Le32(entry, 28);
        m.firstCluster = Le16(entry, 26);
        m.entryOffset = static_cast<std::uint32_t>(at);
        m.written = DecodeTime(Le16(entry, 24), Le16(entry, 22));
        return m;
    }

    // Two entries of one name in a folder would make a path name either, and DOS and Windows
    // would open only the first.
    static bool Unique(const Member& m, const std::string& folder, std::set<std::string>& names,
                       std::string& error)
    {
        auto key = [](std::string text) {
            std::transform(text.begin(), text.end(), text.begin(), AsciiLower);
            return text;
        };
        for (const std::string& name : {m.shortName, m.name}) {
            if (names.count(key(name)) != 0) {
                error = Damaged("two entries of " +
                                (folder.empty() ? Quoted(folder) : "the folder " + Quoted(folder)) +
                                " have the name \"" + name + "\"");
                return false;
            }
        }
        names.insert(key(m.shortName));
        names.insert(key(m.name));
        return true;
    }

    // Claims the member's clusters and checks them against its size.
    bool Check(const Member& m, std::vector<std::uint32_t>& chain, std::string& error)
    {
        m_names.push_back(m.path);
        m_ownerIsFolder.push_back(m.isFolder);
        const std::size_t owner = m_names.size();
        const std::string who = Quoted(m.path);
        const std::uint64_t diskBytes = static_cast<std::uint64_t>(m_g.clusterCount) * m_g.clusterBytes;
        if (m.size > diskBytes) {
            error =
                Damaged(who + " claims " + std::to_string(m.size) + " bytes, more than the whole disk holds");
            return false;
        }
        if (m.firstCluster == 0) {
            if (m.isFolder || m.size != 0)
                error = Damaged(who + " has no clusters for its " + (m.isFolder ? "entries" : "bytes"));
            return error.empty();
        }
        for (std::uint32_t cluster = m.firstCluster;;) {
            if (cluster < 2 || cluster > LastCluster(m_g)) {
                error = Damaged(cluster == 0
                                    ? "the clusters of " + who + " run into a free cluster"
                                    : "the FAT points past the end of the disk in the clusters of " + who);
                return false;
            }
            if (m_owner[cluster] != 0) {
                error = Damaged(m_owner[cluster] == owner ? "the clusters of " + who + " run in a loop"
                                : m.isFolder && m_ownerIsFolder[m_owner[cluster] - 1]
                                    ? "the folder " + who + " leads back into " +
                                          Quoted(m_names[m_owner[cluster] - 1])
                                    : who + " shares clusters with " + Quoted(m_names[m_owner[cluster] - 1]));
                return false;
            }
            m_owner[cluster] = static_cast<std::uint32_t>(owner);
            chain.push_back(cluster);
            const std::uint32_t next = FatEntry(m_bytes, m_g, cluster);
            if (EndsChain(m_g, next))
                break;
            cluster = next;
        }
        const std::uint64_t held = chain.size() * static_cast<std::uint64_t>(m_g.clusterBytes);
        if (!m.isFolder && (m.size > held || m.size <= held - m_g.clusterBytes)) {
            error = Damaged(who + " is " + std::to_string(m.size) + " bytes long but its clusters hold " +
                            std::to_string(held));
            return false;
        }
        return true;
    }

    std::string_view m_bytes;
    const FatGeometry& m_g;
    std::vector<std::uint32_t> m_owner;  // per cluster: 1 + the index in m_names of its holder
    std::vector<std::string> m_names;
    std::vector<bool> m_ownerIsFolder;
};

}  // namespace

bool LooksLikeFatImage(std::string_view bytes)
{
    // Only what says "this is meant as a FAT boot sector": whatever the numbers in it are, the
    // open checks them and says which is wrong, rather than passing the file by as no image.
    if (bytes.size() < SectorSize)
        return false;
    const unsigned jump = Byte(bytes, 0);
    return (jump == 0xEB || jump == 0xE9) && Byte(bytes, 510) == 0x55 && Byte(bytes, 511) == 0xAA;
}

OpenResult FatImage::Open(std::string bytes)
{
    OpenResult result;
    const std::optional<FatGeometry> geometry = ParseBootSector(bytes, result.error);
    if (!geometry)
        return result;
    FatImage image;
    image.m_geometry = *geometry;
    image.m_fatCopiesDiffer = !FatCopiesAgree(bytes, *geometry);
    image.m_bytes = std::move(bytes);
    if (!Walker(image.m_bytes, image.m_geometry).Walk(image.m_members, result.error))
        return result;
    result.image = std::move(image);
    return result;
}

bool FatImage::Matches(const Member& member, std::string_view name)
{
    return EqualIgnoringAsciiCase(member.name, name) || EqualIgnoringAsciiCase(member.shortName, name);
}

const Member* FatImage::Find(std::string_view path) const
{
    std::string folder;
    const Member* found = nullptr;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
        if (part.empty())
            continue;
        if (found && !found->isFolder)
            return nullptr;
        const auto match = std::find_if(m_members.begin(), m_members.end(), [&](const Member& m) {
            return ParentOf(m) == folder && Matches(m, part);
        });
        if (match == m_members.end())
            return nullptr;
        found = &*match;
        folder = found->path;
    }
    return found;
}

std::string FatImage::Read(const Member& file, std::uint64_t offset, std::size_t length) const
{
    std::string out;
    if (file.isFolder || offset >= file.size)
        return out;
    std::uint64_t left = std::min<std::uint64_t>(length, file.size - offset);
    const FatGeometry& g = m_geometry;
    const std::vector<std::uint32_t> chain = ChainOf(m_bytes, g, file.firstCluster);
    for (std::uint64_t i = offset / g.clusterBytes; left > 0 && i < chain.size(); ++i) {
        const std::uint64_t skip = i == offset / g.clusterBytes ? offset % g.clusterBytes : 0;
        const std::uint64_t take = std::min<std::uint64_t>(left, g.clusterBytes - skip);
        out.append(m_bytes, ClusterOffset(g, chain[i]) + skip, take);
        left -= take;
    }
    return out;
}

std::uint64_t FatImage::FreeBytes() const
{
    std::uint64_t free = 0;
    for (std::uint32_t cluster = 2; cluster <= LastCluster(m_geometry); ++cluster)
        free += FatEntry(m_bytes, m_geometry, cluster) == 0;
    return free * m_geometry.clusterBytes;
}

// Where and how a write goes, decided before any byte is copied.
struct FatImage::Plan {
    ShortName name;
    std::string folder;                // the shown path of the folder written into
    std::vector<std::uint64_t> slots;  // its entries
    std::uint32_t folderLast = 0;      // the last cluster of a subfolder, which may be extended
    const Member* existing = nullptr;  // the file replaced
    std::vector<std::uint32_t> oldChain;
    std::uint64_t slot = 0;
    bool extendFolder = false;
    std::uint64_t needed = 0;  // clusters
};

namespace {

std::string Kilobytes(std::uint64_t bytes, bool roundUp)
{
    return std::to_string((bytes + (roundUp ? 1023 : 0)) / 1024) + " KB";
}

}  // namespace

std::optional<FatImage::Plan> FatImage::MakePlan(std::string_view folderPath, std::string_view typedName,
                                                 std::uint64_t size, WriteResult& result) const
{
    const auto refuse = [&](std::string error) {
        result.error = std::move(error);
        return std::nullopt;
    };
    if (m_fatCopiesDiffer)
        return refuse(Damaged("the copies of the FAT differ"));
    Plan plan;
    plan.name = NormaliseShortName(typedName);
    if (!plan.name.error.empty())
        return refuse(plan.name.error);
    result.name = plan.name.text;
    const FatGeometry& g = m_geometry;

    if (folderPath.find_first_not_of('/') == std::string_view::npos) {
        for (std::uint32_t i = 0; i < g.rootEntries; ++i)
            plan.slots.push_back(g.rootOffset + i * EntrySize);
    } else {
        const Member* target = Find(folderPath);
        if (!target || !target->isFolder)
            return refuse("There is no folder \"" + std::string(folderPath) + "\" on the disk.");
        plan.folder = target->path;
        for (std::uint32_t cluster : ChainOf(m_bytes, g, target->firstCluster)) {
            for (std::uint32_t i = 0; i < g.clusterBytes / EntrySize; ++i)
                plan.slots.push_back(ClusterOffset(g, cluster) + i * EntrySize);
            plan.folderLast = cluster;
        }
    }

    // The file replaced is the one an open of the name would find, by the same rule: otherwise a
    // second entry of a name that opening matches would make the image unreadable.
    const auto existing = std::find_if(m_members.begin(), m_members.end(), [&](const Member& m) {
        return ParentOf(m) == plan.folder && Matches(m, plan.name.text);
    });
    if (existing != m_members.end()) {
        plan.existing = &*existing;
        result.replaced = true;
        result.path = existing->path;
        if (existing->isFolder)
            return refuse("\"" + existing->path + "\" is a folder on the disk.");
        if (existing->readOnly) {
            result.readOnly = true;
            return refuse("\"" + existing->path + "\" is read-only on the disk");
        }
        plan.oldChain = ChainOf(m_bytes, g, existing->firstCluster);
        plan.slot = existing->entryOffset;
    } else {
        result.path = plan.folder.empty() ? plan.name.text : plan.folder + "/" + plan.name.text;
        const auto free = std::find_if(plan.slots.begin(), plan.slots.end(), [&](std::uint64_t at) {
            return Byte(m_bytes, at) == 0 || Byte(m_bytes, at) == Deleted;
        });
        if (free != plan.slots.end())
            plan.slot = *free;
        else if (plan.folder.empty())
            return refuse("Disk image folder is full");
        else
            plan.extendFolder = true;
    }
    plan.needed = (size + g.clusterBytes - 1) / g.clusterBytes + (plan.extendFolder ? 1 : 0);
    const std::uint64_t free = FreeBytes() + plan.oldChain.size() * g.clusterBytes;
    if (plan.needed * g.clusterBytes > free)
        return refuse("Disk image is full: " + Kilobytes(plan.needed * g.clusterBytes, true) + " needed, " +
                      Kilobytes(free, false) + " free");
    return plan;
}

WriteResult FatImage::CheckWrite(std::string_view folderPath, std::string_view typedName,
                                 std::uint64_t size) const
{
    WriteResult result;
    MakePlan(folderPath, typedName, size, result);
    return result;
}

WriteResult FatImage::Write(std::string_view folderPath, std::string_view typedName,
                            std::string_view contents, const FatTime& now) const
{
    WriteResult result;
    const std::optional<Plan> plan = MakePlan(folderPath, typedName, contents.size(), result);
    if (!plan)
        return result;
    const FatGeometry& g = m_geometry;
    std::uint64_t slot = plan->slot;

    std::string out = m_bytes;
    for (std::uint32_t cluster : plan->oldChain)
        SetFatEntry(out, g, cluster, 0);
    std::vector<std::uint32_t> fresh;
    for (std::uint32_t cluster = 2; fresh.size() < plan->needed && cluster <= LastCluster(g); ++cluster)
        if (FatEntry(out, g, cluster) == 0)
            fresh.push_back(cluster);
    if (plan->extendFolder) {
        const std::uint32_t added = fresh.back();
        fresh.pop_back();
        SetFatEntry(out, g, plan->folderLast, added);
        SetFatEntry(out, g, added, EndOfChain(g));
        out.replace(ClusterOffset(g, added), g.clusterBytes, g.clusterBytes, '\0');
        slot = ClusterOffset(g, added);
    }
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        SetFatEntry(out, g, fresh[i], i + 1 < fresh.size() ? fresh[i + 1] : EndOfChain(g));
        // The slack after the end is zeroed, so that no old deleted file shows through it.
        const std::string_view part = contents.substr(i * g.clusterBytes, g.clusterBytes);
        out.replace(ClusterOffset(g, fresh[i]), part.size(), part);
        out.replace(ClusterOffset(g, fresh[i]) + part.size(), g.clusterBytes - part.size(),
                    g.clusterBytes - part.size(), '\0');
    }

    if (!plan->existing) {
        // Taking the slot that ends the folder moves the end to the next slot, which must say so.
        const auto next = std::find(plan->slots.begin(), plan->slots.end(), slot);
        if (Byte(out, slot) == 0 && next != plan->slots.end() && next + 1 != plan->slots.end())
            out[*(next + 1)] = '\0';
        out.replace(slot, EntrySize, EntrySize, '\0');
        out.replace(slot, ShortNameSize, plan->name.field);
        Put16(out, slot + 14, EncodeTime(now));
        Put16(out, slot + 16, EncodeDate(now));
    }
    out[slot + 11] = static_cast<char>(Byte(out, slot + 11) | AttrArchive);
    Put16(out, slot + 18, EncodeDate(now));
    Put16(out, slot + 20, 0);
    Put16(out, slot + 22, EncodeTime(now));
    Put16(out, slot + 24, EncodeDate(now));
    Put16(out, slot + 26, fresh.empty() ? 0 : fresh.front());
    Put32(out, slot + 28, static_cast<std::uint32_t>(contents.size()));
    result.bytes = std::move(out);
    return result;
}

std::string FormatFatImage(FloppySize size, std::uint32_t volumeSerial)
{
    const bool small = size == FloppySize::Kb720;
    const unsigned totalSectors = small ? 1440 : 2880;
    const unsigned sectorsPerFat = small ? 3 : 9;
    const unsigned media = small ? 0xF9 : 0xF0;
    std::string image(static_cast<std::size_t>(totalSectors) * SectorSize, '\0');
    // A short jump over the parameter block to code that asks the BIOS for the next boot device.
    image.replace(0, 3, "\xEB\x3C\x90");
    image.replace(3, 8, "MSDOS5.0");
    Put16(image, 11, SectorSize);
    image[13] = static_cast<char>(small ? 2 : 1);
    Put16(image, 14, 1);
    image[16] = 2;
    Put16(image, 17, small ? 112 : 224);
    Put16(image, 19, totalSectors);
    image[21] = static_cast<char>(media);
    Put16(image, 22, sectorsPerFat);
    Put16(image, 24, small ? 9 : 18);
    Put16(image, 26, 2);
    image[38] = 0x29;
    Put32(image, 39, volumeSerial);
    image.replace(43, 11, "NO NAME    ");
    image.replace(54, 8, "FAT12   ");
    image.replace(62, 4, "\xCD\x18\xEB\xFE");
    image[510] = '\x55';
    image[511] = '\xAA';
    for (unsigned copy = 0; copy < 2; ++copy) {
        const std::size_t fat = SectorSize * (1 + copy * sectorsPerFat);
        image[fat] = static_cast<char>(media);
        image[fat + 1] = '\xFF';
        image[fat + 2] = '\xFF';
    }
    return image;
}

}  // namespace skerrow::diskimage
