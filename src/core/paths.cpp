#include "core/paths.h"

#include <algorithm>
#include <cctype>

namespace skerrow {

namespace {

#ifdef _WIN32
// Windows separates with either slash; elsewhere a backslash is a byte of the name.
constexpr std::string_view Separators = "/\\";
#else
constexpr std::string_view Separators = "/";
#endif

bool IsSeparator(char c)
{
    return Separators.find(c) != std::string_view::npos;
}

}  // namespace

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of(Separators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

char SeparatorFor(std::string_view path)
{
#ifdef _WIN32
    if (path.starts_with("\\\\?\\"))
        return '\\';
    const std::size_t last = path.find_last_of(Separators);
    return last == std::string_view::npos ? '\\' : path[last];
#else
    (void)path;
    return '/';
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    const char separator = SeparatorFor(folder);
    std::string joined = folder;
    // "C:" + name is name in the drive's current folder, as the user meant it.
    const bool driveOnly = folder.size() == 2 && PathRootLength(folder) == 2;
    if (folder.empty() || (!IsSeparator(folder.back()) && !driveOnly))
        joined += separator;
    const std::size_t start = joined.size();
    joined += name;
    std::replace(joined.begin() + static_cast<std::ptrdiff_t>(start), joined.end(), '/', separator);
    return joined;
}

std::size_t PathRootLength(std::string_view path)
{
#ifdef _WIN32
    const auto separatorAt = [&](std::size_t i) { return i < path.size() && IsSeparator(path[i]); };
    // The end of the part that starts at from, with the separator after it.
    const auto partEnd = [&](std::size_t from) {
        const std::size_t end = path.find_first_of(Separators, from);
        return end == std::string_view::npos ? path.size() : end + 1;
    };
    const auto driveLength = [&](std::size_t from) -> std::size_t {
        if (path.size() < from + 2 || path[from + 1] != ':' ||
            !std::isalpha(static_cast<unsigned char>(path[from])))
            return 0;
        return separatorAt(from + 2) ? 3 : 2;
    };
    if (separatorAt(0) && separatorAt(1)) {
        if (path.size() >= 3 && (path[2] == '?' || path[2] == '.') && (path.size() == 3 || separatorAt(3))) {
            // A device path: a drive, "UNC\server\share\", or a device name ("\\.\COM1").
            constexpr std::size_t prefix = 4;
            if (const std::size_t drive = driveLength(prefix))
                return prefix + drive;
            std::string_view next = path.substr(std::min(prefix, path.size()), 4);
            if (next.size() == 4 && IsSeparator(next[3]) &&
                std::equal(next.begin(), next.begin() + 3, "UNC",
                           [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }))
                return partEnd(partEnd(prefix + 4));
            return std::min(partEnd(prefix), path.size());
        }
        // A share: "\\server\share\".
        return partEnd(partEnd(2));
    }
    if (const std::size_t drive = driveLength(0))
        return drive;
    return separatorAt(0) ? 1 : 0;
#else
    return !path.empty() && path[0] == '/' ? 1 : 0;
#endif
}

}  // namespace skerrow
