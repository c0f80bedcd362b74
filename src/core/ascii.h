#pragma once

#include <string_view>

namespace skerrow {

// Letter case is folded for A-Z only: bytes 0x80 to 0xFF are no letters of any known character
// set here, so they must match exactly.
constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// Whether needle occurs in haystack, ASCII letters compared ignoring case. An empty needle occurs
// everywhere.
bool ContainsIgnoringAsciiCase(std::string_view haystack, std::string_view needle);

}  // namespace skerrow
