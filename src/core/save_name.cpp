#include "core/save_name.h"

#include <algorithm>

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
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    result.extensionDiffers = !std::ranges::equal(name.substr(dot + 1), defaultExt, {}, lower, lower);
    return result;
}

}  // namespace skerrow
