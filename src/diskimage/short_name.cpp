#include "diskimage/short_name.h"

#include "core/ascii.h"

#include <array>

namespace skerrow::diskimage {
namespace {

constexpr std::string_view AllowedMarks = "!#$%&'()-@^_`{}~";

bool Allowed(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || AllowedMarks.find(c) != std::string_view::npos;
}

// DOS opens these as devices whatever extension follows, so a file of that name cannot be read.
bool IsDeviceName(std::string_view base)
{
    static constexpr std::array<std::string_view, 4> plain{"CON", "PRN", "AUX", "NUL"};
    for (std::string_view device : plain)
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

ShortName Refused(std::string why)
{
    return ShortName{.field = {}, .text = {}, .error = std::move(why)};
}

void AppendShown(std::string& out, unsigned char byte, bool lower)
{
    if (byte < 0x20 || byte == 0x7F || byte == '/' || byte == '\\') {
        out += '_';
    } else if (byte >= 0x80) {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    } else {
        out += lower ? AsciiLower(static_cast<char>(byte)) : static_cast<char>(byte);
    }
}

}  // namespace

ShortName NormaliseShortName(std::string_view typed)
{
    if (typed.empty())
        return Refused("The name on the disk is empty.");
    const std::size_t dot = typed.find('.');
    if (dot != std::string_view::npos && typed.find('.', dot + 1) != std::string_view::npos)
        return Refused("A name on the disk may have only one dot.");
    std::string base(typed.substr(0, dot));
    std::string extension(dot == std::string_view::npos ? std::string_view{} : typed.substr(dot + 1));
    if (base.empty())
        return Refused("A name on the disk needs at least one character before the dot.");
    if (base.size() > 8)
        return Refused("A name on the disk has at most 8 characters before the dot.");
    if (extension.size() > 3)
        return Refused("A name on the disk has at most 3 characters after the dot.");
    for (std::string* part : {&base, &extension}) {
        for (char& c : *part) {
            c = AsciiUpper(c);
            if (!Allowed(c)) {
                const bool printable =
                    static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
                return Refused(printable ? std::string("The character \"") + c +
                                               "\" is not allowed in a name on the disk."
                                         : "A name on the disk may hold only letters A to Z, digits and "
                                           "! # $ % & ' ( ) - @ ^ _ ` { } ~");
            }
        }
    }
    if (IsDeviceName(base))
        return Refused(base + " is the name of a device and cannot name a file on the disk.");
    std::string field = base;
    field.resize(8, ' ');
    field += extension;
    field.resize(ShortNameSize, ' ');
    return ShortName{
        .field = std::move(field), .text = extension.empty() ? base : base + "." + extension, .error = {}};
}

unsigned char ShortNameChecksum(std::string_view field)
{
    unsigned char sum = 0;
    for (char c : field.substr(0, ShortNameSize))
        sum = static_cast<unsigned char>(((sum & 1) << 7) + (sum >> 1) + static_cast<unsigned char>(c));
    return sum;
}

std::string ShownShortName(std::string_view field, unsigned char caseFlags)
{
    std::string_view base = field.substr(0, 8);
    std::string_view extension = field.substr(8, 3);
    base = base.substr(0, base.find_last_not_of(' ') + 1);
    extension = extension.substr(0, extension.find_last_not_of(' ') + 1);
    // A blank base is no valid name, but the member must still have a path to be found by.
    std::string shown = base.empty() ? "_" : "";
    for (std::size_t i = 0; i < base.size(); ++i) {
        // 0xE5 marks a deleted entry, so a name that really starts with it stores 0x05.
        const auto byte = static_cast<unsigned char>(base[i]);
        AppendShown(shown, i == 0 && byte == 0x05 ? 0xE5 : byte, (caseFlags & 0x08) != 0);
    }
    if (!extension.empty()) {
        shown += '.';
        for (char c : extension)
            AppendShown(shown, static_cast<unsigned char>(c), (caseFlags & 0x10) != 0);
    }
    return shown;
}

}  // namespace skerrow::diskimage
