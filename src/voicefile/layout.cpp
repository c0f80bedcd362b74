#include "voicefile/layout.h"

#include <cassert>

namespace skerrow::layout {

std::string_view ExtensionFor(int slots)
{
    switch (slots) {
    case 1:
        return "1vc";
    case 16:
        return "1bk";
    default:
        return "avc";
    }
}

std::vector<std::string> ListNames(std::string_view head, int slotCount)
{
    assert(head.size() >= HeadSize);
    std::vector<std::string> names;
    const int entries = slotCount < DirectoryEntries ? slotCount : DirectoryEntries;
    for (int k = 0; k < entries; ++k) {
        const std::string_view field = head.substr(EntryOffset(k), NameSize);
        if (field[0] == '\0')
            break;
        names.emplace_back(field.substr(0, field.find('\0')));
    }
    return names;
}

std::string DirectoryEntry(std::string_view name)
{
    std::string entry(name.substr(0, NameSize));
    entry.resize(NameSize, ' ');
    entry.resize(EntrySize, '\0');
    return entry;
}

}  // namespace skerrow::layout
