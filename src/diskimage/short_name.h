#pragma once

#include <string>
#include <string_view>

// Names of the 8.3 kind that a FAT folder entry stores: eleven bytes, the base blank-padded to
// eight and the extension to three, upper case, no dot.
namespace skerrow::diskimage {

inline constexpr std::size_t ShortNameSize = 11;

struct ShortName {
    std::string field;  // the 11 bytes of the folder entry; empty when the name was refused
    std::string text;   // "BASE.EXT" (or "BASE"), the way the name is shown
    std::string error;  // why a typed name was refused; empty when it was accepted
};

// Checks a name the user typed and puts it in the form the disk stores: letters are raised to
// upper case; at most 8 characters before one optional dot and 3 after it, each a letter, a
// digit or one of ! # $ % & ' ( ) - @ ^ _ ` { } ~. A name that does not fit comes back with
// an error that says why and no field.
ShortName NormaliseShortName(std::string_view typed);

// The checksum a long-name entry carries of the 11-byte short name it belongs to.
unsigned char ShortNameChecksum(std::string_view field);

// How a stored 11-byte name is shown: "BASE.EXT", with the lower-case flags of a folder entry's
// byte 12 (0x08 base, 0x10 extension) applied. Bytes that cannot stand in a path (controls, '/',
// '\') become '_'; bytes 0x80 to 0xFF are shown as Latin-1 in UTF-8.
std::string ShownShortName(std::string_view field, unsigned char caseFlags = 0);

}  // namespace skerrow::diskimage
