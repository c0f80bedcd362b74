#include "os/temporary_name.h"

namespace skerrow {

namespace temporary_name {

std::string StemFor(const std::string& targetName)
{
    std::string stem(1, '.');
    stem += targetName.substr(0, StemLimit);
    stem += Marker;
    return stem;
}

std::string RandomPart(std::mt19937_64& generator)
{
    static constexpr std::string_view Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, Alphabet.size() - 1);
    std::string part(RandomLength, ' ');
    for (char& c : part)
        c = Alphabet[pick(generator)];
    return part;
}

}  // namespace temporary_name

bool IsTemporaryFileName(std::string_view fileName)
{
    using namespace temporary_name;
    if (fileName.size() < 1 + 1 + Marker.size() + RandomLength || fileName.front() != '.')
        return false;
    const std::string_view tail = fileName.substr(fileName.size() - RandomLength);
    for (const char c : tail) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum)
            return false;
    }
    return fileName.substr(fileName.size() - RandomLength - Marker.size(), Marker.size()) == Marker;
}

}  // namespace skerrow
