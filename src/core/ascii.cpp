#include "core/ascii.h"

#include <algorithm>

namespace skerrow {

namespace {

bool SameLetter(char a, char b)
{
    return AsciiLower(a) == AsciiLower(b);
}

}  // namespace

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameLetter);
}

bool ContainsIgnoringAsciiCase(std::string_view haystack, std::string_view needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), SameLetter) !=
               haystack.end() ||
           needle.empty();
}

}  // namespace skerrow
