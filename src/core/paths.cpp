#include "core/paths.h"

namespace skerrow {

std::string FileNameOf(const std::string& path)
{
#ifdef _WIN32
    // Windows separates with either slash; elsewhere a backslash is a byte of the name.
    const auto slash = path.find_last_of("/\\");
#else
    const auto slash = path.rfind('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace skerrow
