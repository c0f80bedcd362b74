#include "core/save_name.h"

#include "core/ascii.h"
#include "core/paths.h"

namespace skerrow {

SaveName SaveNameFor(const std::string& typed, std::string_view defaultExt)
{
    SaveName result{typed};
    const std::string name = FileNameOf(typed);
    if (name.empty() || defaultExt.empty())
        return result;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        result.path += '.';
        result.path += defaultExt;
        return result;
    }
    result.extensionDiffers = !EqualIgnoringAsciiCase(name.substr(dot + 1), defaultExt);
    return result;
}

}  // namespace skerrow
