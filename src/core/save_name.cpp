#include "core/save_name.h"

#include "core/ascii.h"

namespace skerrow {

SaveName SaveNameFor(const std::string& typed, std::string_view defaultExt)
{
    SaveName result{typed};
    const auto slash = typed.rfind('/');
    const std::string_view name = std::string_view(typed).substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty() || defaultExt.empty())
        return result;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        result.path += '.';
        result.path += defaultExt;
        return result;
    }
    result.extensionDiffers = !EqualIgnoringAsciiCase(name.substr(dot + 1), defaultExt);
    return result;
}

}  // namespace skerrow
