#include "cli/selection.h"

#include "os/folder.h"
#include "os/os.h"

#include <limits>

namespace skerrow {

namespace {

// A run of decimal digits with a value from 1 to INT_MAX.
std::optional<int> ParseSlot(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    if (value < 1)
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<SlotRange> ParseItem(std::string_view item)
{
    const auto dash = item.find('-');
    if (dash == std::string_view::npos) {
        const auto slot = ParseSlot(item);
        if (!slot)
            return std::nullopt;
        return SlotRange{*slot, *slot};
    }
    const auto first = ParseSlot(item.substr(0, dash));
    const auto last = ParseSlot(item.substr(dash + 1));
    if (!first || !last || *first > *last)
        return std::nullopt;
    return SlotRange{*first, *last};
}

}  // namespace

std::optional<std::vector<SlotRange>> ParseSelection(std::string_view text)
{
    std::vector<SlotRange> ranges;
    while (true) {
        const auto comma = text.find(',');
        const auto item = ParseItem(text.substr(0, comma));
        if (!item)
            return std::nullopt;
        ranges.push_back(*item);
        if (comma == std::string_view::npos)
            return ranges;
        text.remove_prefix(comma + 1);
    }
}

std::string FormatSelection(const std::vector<SlotRange>& ranges)
{
    std::string text;
    for (const SlotRange& range : ranges) {
        if (!text.empty())
            text += ',';
        text += std::to_string(range.first);
        if (range.last != range.first)
            text += '-' + std::to_string(range.last);
    }
    return text;
}

SourceArgument SplitSourceArgument(std::string_view argument)
{
    const auto colon = argument.rfind(':');
    if (colon != std::string_view::npos) {
        if (auto selection = ParseSelection(argument.substr(colon + 1)))
            return {std::string(argument.substr(0, colon)), std::move(selection)};
    }
    return {std::string(argument), std::nullopt};
}

std::optional<std::string> InvalidSelection(const std::string& argument)
{
    const auto colon = argument.rfind(':');
    if (colon == std::string::npos || os::EntryExists(argument))
        return std::nullopt;
    const std::string file = argument.substr(0, colon);
    const std::string selection = argument.substr(colon + 1);
    int error = 0;
    const std::optional<os::EntryType> type = os::TypeOf(file, error);
    if (ParseSelection(selection) || !type || *type == os::EntryType::Folder)
        return std::nullopt;
    return "invalid selection '" + selection + "' for " + file;
}

}  // namespace skerrow
